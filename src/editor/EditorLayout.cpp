// The editor's layout: every control with its rectangle, style and binding,
// in attach order (later controls draw above earlier ones and are hit first).
#include "editor/EditorLayout.h"

#include <algorithm>

#include "core/Relaycaster.h"
#include "editor/CornerScaleControl.h"
#include "editor/ParseTypedNumber.h"
#include "editor/PillToggleControl.h"
#include "editor/RingKnobControl.h"
#include "editor/SettingsMenuControl.h"
#include "editor/Theme.h"
#include "editor/stream_panel/AttributionControl.h"
#include "editor/stream_panel/DropoutsControl.h"
#include "editor/stream_panel/FeedMeterControl.h"
#include "editor/stream_panel/FeedNameControl.h"
#include "editor/stream_panel/HoldButtonControl.h"
#include "editor/stream_panel/NoteControl.h"
#include "editor/stream_panel/SegmentControl.h"
#include "editor/stream_panel/ShadeControl.h"
#include "editor/stream_panel/StateLineControl.h"
#include "editor/stream_panel/TextFieldControl.h"
#include "editor/typed_value/TypedCaptionControl.h"
#include "framework/IParam.h"
#include "framework/graphics/IControls.h"
#include "presets/PresetBarControl.h"
#include "updates/UpdateCheck.h"
#include "updates/UpdatePillControl.h"

namespace relaycaster {

using framework::IColor;
using framework::IGraphics;
using framework::IRECT;
using brightwold::controls::PresetBarControl;
using brightwold::controls::UpdatePillControl;

namespace {

constexpr float kDesignW = 880.f;
constexpr float kDesignH = 562.f;

/// The accent, sampled once per build: a change of choice or of the track
/// colour takes effect through a rebuild.
IColor Accent(const Relaycaster& plugin) {
  const AccentRgba accent = plugin.AccentColour(255);
  return {accent.alpha, accent.red, accent.green, accent.blue};
}

constexpr IRECT kTitleRect{28, 48, 716, 82};
constexpr float kTitleGapBeforePill = 10.f;

/// The settings menu with its update section: "Check for updates", checked
/// while checks are on, switches them for all of the maker's plug-ins.
SettingsMenuControl* MakeSettingsMenu(Relaycaster& plugin, IGraphics& g, UpdatePillControl& pill) {
  SettingsMenuControl::Actions actions;
  actions.getScale = [&plugin] { return plugin.GetWindowScale(); };
  actions.setScale = [&plugin](float scale) { plugin.SetWindowScale(scale); };
  actions.getColour = [&plugin] { return plugin.accentColourIndex(); };
  actions.setColour = [&plugin](int index) { plugin.setAccentColourIndex(index < 0 || index > 5 ? 0 : index); };
  actions.addUpdateItems = [&plugin](framework::IPopupMenu& menu) {
    menu.AddItem("Check for updates", true, plugin.updateCheck().IsEnabled());
    menu.AddSeparator();
  };
  actions.updateSelected = [&plugin, &pill](int item) {
    if (item != 0) return;  // the separator
    brightwold::updates::UpdateCheck& check = plugin.updateCheck();
    check.SetEnabled(!check.IsEnabled());
    pill.SetDirty(false);
  };
  actions.openVendorSite = [&g] { g.OpenURL(theme::kNdiVendorUrl); };
  return new SettingsMenuControl(std::move(actions), kVersionText);
}

/// The pill makes room for itself by moving the title's right edge.
UpdatePillControl* MakeUpdatePill(Relaycaster& plugin, IGraphics& g) {
  const brightwold::controls::UpdatePillStyle style{{255, 252, 120, 92}, {255, 253, 146, 124}, {255, 10, 10, 10},
                                                    theme::Style(theme::kRegular, 11, 255, framework::EAlign::Center)};
  auto moveTitle = [&g](const IRECT& pill) {
    framework::IControl* title = g.GetControlWithTag(kTagTitle);
    if (title == nullptr) return;
    IRECT r = kTitleRect;
    if (!pill.Empty()) r.R = pill.L - kTitleGapBeforePill;
    title->SetRECT(r);
    g.SetAllControlsDirty();
  };
  return new UpdatePillControl({576, 47, 736, 77}, style, plugin.updateCheck(), std::move(moveTitle));
}

/// The preset bar on the preset commands; its menu button opens the settings menu.
PresetBarControl* MakePresetBar(Relaycaster& plugin, SettingsMenuControl& settings) {
  brightwold::controls::PresetBarStyle style;
  style.fill = theme::kPanelFill;
  style.outline = theme::OffWhite(77);
  style.text = theme::kText;
  style.dimText = theme::kLit;
  style.hover = theme::kButtonHover;
  style.warning = theme::kWarning;
  style.textStyle = theme::EntryStyle(theme::kRegular, 11, framework::EAlign::Center);
  style.scale = 1.f;
  style.background = {255, 17, 17, 17};
  style.bottomLine = theme::OffWhite(26);
  style.leftInset = 28.f;
  style.rightInset = 28.f;

  PresetCommands& presets = plugin.presets();
  brightwold::controls::PresetBarActions actions;
  actions.listNames = [&presets] { return presets.presetNames(); };
  actions.currentName = [&presets] { return presets.currentName(); };
  actions.load = [&presets](const std::string& name) { presets.loadByName(name); };
  actions.save = [&presets](const std::string& name) { presets.RequestPresetSave(name); };
  actions.remove = [&presets](const std::string& name) { presets.deleteByName(name); };
  actions.modified = [&presets] { return presets.modifiedMark(); };
  actions.openMenu = [&settings](const IRECT& anchor) { settings.Open(anchor); };
  return new PresetBarControl({0, 0, 880, 32}, style, std::move(actions));
}

/// Rows 6 to 8: the settings menu, the update pill and the preset bar,
/// created with their actions and attached in that order.
void AttachHeaderControls(Relaycaster& plugin, IGraphics& g) {
  UpdatePillControl* pill = MakeUpdatePill(plugin, g);
  SettingsMenuControl* settings = MakeSettingsMenu(plugin, g, *pill);
  PresetBarControl* bar = MakePresetBar(plugin, *settings);
  g.AttachControl(settings);
  g.AttachControl(pill);
  g.AttachControl(bar);
}

void AttachLogo(IGraphics& g) {
  framework::SvgPicture logo = g.LoadSVG("relaycaster-lockup.svg", "px", 72.f);
  if (logo.Empty()) {
    g.AttachControl(new framework::ITextControl({28, 526, 300, 544}, "RELAYCASTER", theme::LogoFallback()));
    return;
  }
  const float width = 22.f * logo.width / logo.height;
  g.AttachControl(new framework::ISVGControl({28, 524, 28 + width, 546}, std::move(logo)));
}

constexpr IColor kTransparent{0, 0, 0, 0};

PillToggleControl::Colours PillColours(const IColor& accent) {
  return {theme::kPanelFill, theme::kIdle, theme::kLit, accent.WithAlpha(255), theme::kIdle};
}

void AttachLabel(IGraphics& g, const IRECT& r, const char* text) {
  g.AttachControl(new framework::ITextControl(r, text, theme::FieldLabel()));
}

/// The knobs' look: the framework's vector style without label, value,
/// frame or shadows, a dark face, a white pointer and the accent arc.
framework::IVStyle KnobStyle(const IColor& accent) {
  framework::IVStyle style;
  style.showLabel = false;
  style.showValue = false;
  style.drawFrame = false;
  style.drawShadows = false;
  style.widgetFrac = 0.92f;
  style.colors.background = kTransparent;
  style.colors.foreground = theme::kKnobFace;
  style.colors.pressed = theme::kKnobFacePressed;
  style.colors.frame = theme::kText;
  style.colors.extra1 = accent;
  return style;
}

/// A knob centred at x `centre`, its label under it and its typed value caption under that.
void AddKnobColumn(IGraphics& g, float centre, int paramIdx, const char* label, const IColor& accent) {
  g.AttachControl(new RingKnobControl({centre - 30, 394, centre + 30, 454}, paramIdx, KnobStyle(accent),
                                      theme::kRingTrack));
  g.AttachControl(new framework::ITextControl({centre - 48, 462, centre + 48, 478}, label, theme::KnobLabel()));
  g.AttachControl(new typed_value::TypedCaptionControl({centre - 52, 480, centre + 52, 494}, paramIdx,
                                                       theme::KnobValue(), kTransparent, true,
                                                       theme::KnobValueEntry()));
}

stream_panel::TextFieldControl::Colours FieldColours() {
  return {theme::kFieldFill, theme::kIdle, theme::kLit, theme::kLit};
}

/// A field over one of the SRT texts; only the passphrase is masked, and
/// it shows in clear while "Show" is held.
void AddSrtTextField(Relaycaster& plugin, IGraphics& g, const IRECT& r, int field, bool masked) {
  stream_panel::TextFieldControl::Reveal reveal;
  if (masked) reveal = [&plugin] { return plugin.revealPassphrase(); };
  g.AttachControl(new stream_panel::TextFieldControl(
      r, theme::FieldText(), theme::FieldEntry(), [&plugin, field] { return plugin.GetSrtText(field); },
      [&plugin, field](const std::string& text) { plugin.SetSrtText(field, text); }, masked ? 79 : 255, masked,
      std::move(reveal), "", FieldColours()));
}

/// A field over a numeric parameter: shows its display text, and sets what
/// was typed (read leniently, clamped to the range) as one edit gesture.
void AddParamField(Relaycaster& plugin, IGraphics& g, const IRECT& r, int paramIdx, const char* suffix) {
  auto getter = [&plugin, paramIdx] { return plugin.GetParam(paramIdx)->DisplayText(); };
  auto setter = [&plugin, paramIdx](const std::string& text) {
    const framework::IParam* param = plugin.GetParam(paramIdx);
    const TypedNumber typed = ParseTypedNumber(text, param->Min(), param->Max());
    if (typed.ok) plugin.SetParamFromEditor(paramIdx, typed.value);
  };
  g.AttachControl(new stream_panel::TextFieldControl(r, theme::FieldText(), theme::FieldEntry(), std::move(getter),
                                                     std::move(setter), 8, false, {}, suffix, FieldColours()));
}

void AttachStateLine(IGraphics& g, const IRECT& r, const IColor& accent, stream_panel::StateLineControl::Provider line) {
  g.AttachControl(new stream_panel::StateLineControl(r, theme::StateMain(), theme::StateDetail(),
                                                     {accent, theme::kIdle, theme::kWarning, theme::kError},
                                                     std::move(line)));
}

void AttachDropouts(IGraphics& g, const IRECT& r, AudioFeed& feed) {
  g.AttachControl(new stream_panel::DropoutsControl(
      r, theme::FieldLabel(), theme::Count(), theme::SmallButton(),
      [&feed] { return static_cast<uint32_t>(std::max(0, feed.dropoutCount())); }, [&feed] { feed.resetDropouts(); },
      {theme::kWarning, theme::kIdle, theme::kButtonHover}));
}

void AttachSegments(IGraphics& g, const IRECT& r, int paramIdx, std::vector<std::string> labels,
                    std::vector<float> widths, const IColor& accent) {
  g.AttachControl(new stream_panel::SegmentControl(r, paramIdx, std::move(labels), std::move(widths), theme::Segment(),
                                                   {accent, theme::kIdle, theme::kLit}));
}

/// Each feed has exactly one meter: taking the peaks clears them.
void AttachMeter(IGraphics& g, const IRECT& bounds, const IRECT& bars, const IColor& accent, AudioFeed& feed) {
  g.AttachControl(new stream_panel::FeedMeterControl(bounds, bars, accent, theme::MeterScale(), theme::MeterReadout(),
                                                     [&feed] { return feed.takePeaks(); }, theme::kDivider,
                                                     theme::kText));
}

}  // namespace

float InitialEditorScale(int windowWidth, int windowHeight, float screenScale) {
  const float s = screenScale > 0.f ? screenScale : 1.f;
  const float scale = std::min(static_cast<float>(windowHeight) / (s * kDesignH),
                               static_cast<float>(windowWidth) / (s * kDesignW));
  return scale > 0.f ? scale : 1.f;
}

std::unique_ptr<IGraphics> MakeEditor(Relaycaster& plugin) {
  const float screen = plugin.screenScale();
  auto g = std::make_unique<IGraphics>(plugin, static_cast<int>(kDesignW), static_cast<int>(kDesignH), 60,
                                       InitialEditorScale(plugin.WindowWidth(), plugin.WindowHeight(), screen));
  g->SetScreenScale(screen);
  g->SetResourceLoader(plugin.editorResources());
  return g;
}

void LayoutEditor(Relaycaster& plugin, IGraphics& g) {
  g.LoadFont(theme::kRegular, "Roboto-Regular.ttf");
  g.LoadFont(theme::kCondensedBold, "RobotoCondensed-Bold.ttf");
  g.SetLayoutOnResize(false);  // resizing only changes the draw scale
  g.AttachPanelBackground(theme::kWindowBackground);
  g.EnableMouseOver(true);

  g.AttachControl(new framework::IPanelControl({14, 96, 866, 508}, theme::kPanelFill));
  LayoutStreamPanel(plugin, g);
  const std::string& title = plugin.lastTitle();
  g.AttachControl(new framework::ITextControl({28, 48, 716, 82}, title.empty() ? "RELAYCASTER" : title, theme::Title()),
                  kTagTitle);
  g.AttachControl(new PillToggleControl({746, 47, 852, 77}, kBypass, PillColours(Accent(plugin)), "ACTIVE", "BYPASSED",
                                        theme::BypassPill(), true));

  AttachHeaderControls(plugin, g);

  AttachLogo(g);
  g.AttachControl(new framework::ITextControl({300, 527, 852, 543}, "", theme::Footer()), kTagFooter);
  g.AttachControl(
      new stream_panel::AttributionControl({230, 527, 650, 543}, theme::Attribution(), theme::AttributionLink()));
  plugin.forgetFooter();  // the first tick after a build sets the footer again
  g.AttachControl(new CornerScaleControl({866, 548, 878, 560}, kDesignW, 0.75f, 2.f, theme::kRingTrack,
                                         theme::kGripHover));
}

void LayoutStreamPanel(Relaycaster& plugin, IGraphics& g) {
  const IColor accent = Accent(plugin);

  // --- the NDI column, x 14..379 ---
  g.AttachControl(new framework::IPanelControl({380, 108, 381, 496}, theme::kDivider));
  AttachStateLine(g, {28, 144, 366, 164}, accent, [&plugin] { return plugin.ndiStateLine(); });
  AttachDropouts(g, {28, 176, 366, 196}, plugin.ndiFeed());
  g.AttachControl(new stream_panel::FeedNameControl(
      {28, 214, 366, 332}, theme::FieldLabel(), theme::FieldText(), theme::Note(), [&plugin] { return plugin.feedName(); },
      {theme::kFieldFill, theme::kDivider, theme::kWarning, theme::kError}));
  AddKnobColumn(g, 70, kNdiLevel, "LEVEL", accent);
  AddKnobColumn(g, 170, kNdiBuffer, "BUFFER", accent);
  AttachMeter(g, {300, 376, 372, 502}, {341, 384, 364, 474}, accent, plugin.ndiFeed());
  g.AttachControl(new stream_panel::ShadeControl({14, 136, 379, 508}, [&plugin] { return plugin.ndiIsOff(); },
                                                 theme::kShade));
  // Title and pill after the column's shade, so they stay undimmed.
  g.AttachControl(new framework::ITextControl({28, 110, 200, 134}, "NDI\xC2\xAE", theme::SectionTitle()));
  g.AttachControl(
      new PillToggleControl({268, 108, 364, 132}, kNdiOn, PillColours(accent), "OFF", "SENDING", theme::TransportPill(), false));

  // --- the SRT column, x 381..866, whose rows depend on the mode and codec ---
  const int mode = plugin.GetParam(kSrtMode)->Int();
  const int codec = plugin.GetParam(kSrtCodec)->Int();
  plugin.setBuiltSrtLayout(mode, codec);
  AttachStateLine(g, {396, 144, 852, 164}, accent, [&plugin] { return plugin.srtStateLine(); });
  AttachDropouts(g, {396, 176, 852, 196}, plugin.srtFeed());
  AttachLabel(g, {396, 214, 520, 228}, "MODE");
  AttachSegments(g, {396, 230, 562, 256}, kSrtMode, {"CALLER", "LISTENER"}, {74, 86}, accent);
  AttachLabel(g, {624, 214, 760, 228}, "CODEC");
  AttachSegments(g, {624, 230, 778, 256}, kSrtCodec, {"AAC", "PCM"}, {74, 74}, accent);
  if (mode == kSrtModeListener) {
    AttachLabel(g, {396, 270, 612, 284}, "LISTENING ON");
    g.AttachControl(new stream_panel::NoteControl({396, 291, 612, 322}, theme::Note(), stream_panel::listeningNote));
  } else {
    AttachLabel(g, {396, 270, 612, 284}, "HOST");
    AddSrtTextField(plugin, g, {396, 286, 612, 312}, kSrtHostField, false);
  }
  AttachLabel(g, {624, 270, 708, 284}, "PORT");
  AddParamField(plugin, g, {624, 286, 708, 312}, kSrtPort, "");
  AttachLabel(g, {720, 270, 852, 284}, "LATENCY");
  AddParamField(plugin, g, {720, 286, 852, 312}, kSrtLatency, "ms");
  AttachLabel(g, {396, 322, 612, 336}, "STREAM ID");
  AddSrtTextField(plugin, g, {396, 338, 612, 364}, kSrtStreamIdField, false);
  AttachLabel(g, {624, 322, 796, 336}, "PASSPHRASE");
  AddSrtTextField(plugin, g, {624, 338, 796, 364}, kSrtPassphraseField, true);
  g.AttachControl(new stream_panel::HoldButtonControl(
      {804, 341, 850, 361}, "Show", theme::SmallButton(), [&plugin](bool held) { plugin.setRevealPassphrase(held); },
      theme::kIdle, theme::kButtonPressed));
  AddKnobColumn(g, 438, kSrtLevel, "LEVEL", accent);
  AddKnobColumn(g, 534, kSrtBuffer, "BUFFER", accent);
  if (codec == kSrtCodecPcm) {
    g.AttachControl(new stream_panel::NoteControl({592, 400, 712, 462}, theme::Note(),
                                                  [&plugin] { return stream_panel::pcmNote(plugin.GetSampleRate()); }));
  } else {
    g.AttachControl(new RingKnobControl({600, 394, 660, 454}, kSrtBitrate, KnobStyle(accent), theme::kRingTrack));
    g.AttachControl(new framework::ITextControl({582, 462, 678, 478}, "BITRATE", theme::KnobLabel()));
    g.AttachControl(
        new framework::ICaptionControl({578, 480, 682, 494}, kSrtBitrate, theme::KnobValue(), kTransparent, true));
  }
  AttachMeter(g, {786, 376, 858, 502}, {827, 384, 850, 474}, accent, plugin.srtFeed());
  g.AttachControl(new stream_panel::ShadeControl({381, 136, 866, 508}, [&plugin] { return plugin.srtIsOff(); },
                                                 theme::kShade));
  g.AttachControl(new framework::ITextControl({396, 110, 520, 134}, "SRT", theme::SectionTitle()));
  g.AttachControl(
      new PillToggleControl({756, 108, 852, 132}, kSrtOn, PillColours(accent), "OFF", "SENDING", theme::TransportPill(), false));

  // Last, over everything including the pills: the whole panel dims while bypassed.
  g.AttachControl(new stream_panel::ShadeControl({14, 96, 866, 508}, [&plugin] { return plugin.isBypassed(); },
                                                 theme::kShade));
}

}  // namespace relaycaster
