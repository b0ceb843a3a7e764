#pragma once

#include <string>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// Where the notice and the link stand, from their measured widths: both
/// centred together in the control with a 4-unit gap between them.
struct AttributionLayout {
  static constexpr float kGap = 4.f;

  float noticeLeft = 0.f;
  framework::IRECT linkRect;

  static AttributionLayout For(const framework::IRECT& bounds, float noticeWidth, float linkWidth);
};

/// The NDI trademark notice followed by the vendor's underlined web link.
/// The link opens the vendor's site; it is drawn fully opaque while the
/// mouse is anywhere over the control. A click on the notice does nothing.
class AttributionControl : public framework::IControl {
 public:
  AttributionControl(const framework::IRECT& bounds, const framework::TextStyle& noticeStyle,
                     const framework::TextStyle& linkStyle);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void Draw(framework::IGraphics& g) override;

  /// Where the link was last drawn; all zeros before the first draw.
  const framework::IRECT& LinkRect() const { return mLinkRect; }

 private:
  framework::TextStyle mNoticeStyle;
  framework::TextStyle mLinkStyle;
  framework::IRECT mLinkRect;
};

}  // namespace relaycaster::stream_panel
