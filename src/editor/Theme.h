#pragma once

// The editor's palette and text styles. Every grey and white is the same
// off-white (250, 250, 250) at some opacity over near-black fills.
#include "framework/graphics/IGraphicsTypes.h"

namespace relaycaster::theme {

using framework::EAlign;
using framework::IColor;
using framework::TextStyle;

constexpr IColor OffWhite(int alpha) { return {alpha, 250, 250, 250}; }

// --- palette -------------------------------------------------------------------------
inline constexpr IColor kWindowBackground{255, 10, 10, 10};
inline constexpr IColor kPanelFill{255, 20, 20, 20};  // also the pill fill
inline constexpr IColor kFieldFill{255, 14, 14, 14};  // text fields and the name box
inline constexpr IColor kKnobFace{255, 19, 19, 19};
inline constexpr IColor kKnobFacePressed{255, 34, 34, 34};
inline constexpr IColor kDivider = OffWhite(18);  // column divider, name-box border, meter track
inline constexpr IColor kButtonHover = OffWhite(20);
inline constexpr IColor kButtonPressed = OffWhite(30);
inline constexpr IColor kRingTrack = OffWhite(36);  // knob ring track, corner grip
inline constexpr IColor kIdle = OffWhite(56);       // idle outlines and dots
inline constexpr IColor kGripHover = OffWhite(90);
inline constexpr IColor kLit = OffWhite(107);  // lit outlines, hovered borders, unit suffix, unselected segment text
inline constexpr IColor kText = OffWhite(255);
inline constexpr IColor kWarning{255, 255, 157, 46};
inline constexpr IColor kError{255, 255, 90, 90};
inline constexpr IColor kShade{173, 20, 20, 20};
inline constexpr IColor kEntryBackground{255, 30, 30, 30};

inline constexpr const char* kRegular = "Roboto-Regular";
inline constexpr const char* kCondensedBold = "RobotoCondensed-Bold";

/// A style in the off-white at `alpha`, vertically centred.
inline TextStyle Style(const char* font, float size, int alpha, EAlign align) {
  TextStyle style;
  style.font = font;
  style.size = size;
  style.fg = OffWhite(alpha);
  style.align = align;
  return style;
}

/// The same with the text-entry colours of the editor's own entries.
inline TextStyle EntryStyle(const char* font, float size, EAlign align) {
  TextStyle style = Style(font, size, 255, align);
  style.entryBg = kEntryBackground;
  style.entryFg = kText;
  return style;
}

// --- text styles -------------------------------------------------------------------------
inline TextStyle Title() { return Style(kCondensedBold, 25, 255, EAlign::Near); }
inline TextStyle LogoFallback() { return Style(kCondensedBold, 15, 107, EAlign::Near); }
inline TextStyle SectionTitle() { return Style(kCondensedBold, 19, 255, EAlign::Near); }
inline TextStyle BypassPill() { return Style(kRegular, 11, 255, EAlign::Center); }
inline TextStyle TransportPill() { return Style(kRegular, 10, 255, EAlign::Center); }
inline TextStyle Footer() { return Style(kRegular, 12, 77, EAlign::Far); }
inline TextStyle Attribution() { return Style(kRegular, 10.5f, 97, EAlign::Center); }
inline TextStyle AttributionLink() { return Style(kRegular, 10.5f, 158, EAlign::Center); }
inline TextStyle FieldLabel() { return Style(kRegular, 10.5f, 107, EAlign::Near); }
inline TextStyle StateMain() { return Style(kRegular, 12.5f, 255, EAlign::Near); }
inline TextStyle StateDetail() { return Style(kRegular, 12.5f, 107, EAlign::Near); }
inline TextStyle Count() { return Style(kRegular, 14, 255, EAlign::Near); }
inline TextStyle SmallButton() { return Style(kRegular, 10.5f, 255, EAlign::Center); }
inline TextStyle FieldText() { return Style(kRegular, 12, 219, EAlign::Near); }
inline TextStyle FieldEntry() { return EntryStyle(kRegular, 12, EAlign::Near); }
inline TextStyle Note() { return Style(kRegular, 11, 107, EAlign::Near); }
inline TextStyle Segment() { return Style(kRegular, 11, 255, EAlign::Center); }
inline TextStyle KnobLabel() { return Style(kRegular, 13, 255, EAlign::Center); }
inline TextStyle KnobValue() { return Style(kRegular, 11.5f, 107, EAlign::Center); }
inline TextStyle KnobValueEntry() { return EntryStyle(kRegular, 11.5f, EAlign::Center); }
inline TextStyle MeterScale() { return Style(kRegular, 9, 77, EAlign::Far); }
inline TextStyle MeterReadout() { return Style(kRegular, 10.5f, 255, EAlign::Center); }

/// The NDI vendor's web domain, shown by the attribution and the settings
/// menu, and the address both open.
inline constexpr const char* kNdiVendorDomain = "ndi.video";
inline constexpr const char* kNdiVendorUrl = "https://ndi.video/";
inline constexpr const char* kNdiTrademarkNotice = "NDI\xC2\xAE is a registered trademark of Vizrt NDI AB.";

}  // namespace relaycaster::theme
