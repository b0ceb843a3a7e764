#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/graphics/IControl.h"

namespace brightwold::updates {
class UpdateCheck;
}  // namespace brightwold::updates

namespace brightwold::controls {

/// The pill's colours (alpha, red, green, blue) and text style.
struct UpdatePillStyle {
  framework::IColor face;
  framework::IColor hoveredFace;
  framework::IColor text;
  framework::TextStyle textStyle;
};

/// The header's "<version> AVAILABLE" pill: shown while the update check
/// offers a newer version, right-aligned in its bounds and as wide as its
/// label needs; a click opens the download page in the browser. It follows
/// the check by its generation, so an unchanged check costs one locked
/// read per frame.
///
/// Whenever the shown rectangle changes the layout callback hears of it
/// (all zeros when hidden), so the editor can make room for the pill.
///
/// Threads: the user-interface thread; the check is read under its own lock.
class UpdatePillControl : public framework::IControl {
 public:
  using LayoutCallback = std::function<void(const framework::IRECT& visible)>;

  /// `check` must outlive the control (the plug-in owns both).
  UpdatePillControl(const framework::IRECT& bounds, const UpdatePillStyle& style, const updates::UpdateCheck& check,
                    LayoutCallback onLayout);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void Draw(framework::IGraphics& g) override;
  /// A new text style re-measures the label.
  void SetTextStyle(const framework::TextStyle& style);
  /// Only inside the shown rectangle; never while hidden.
  bool IsHit(float x, float y) const override;
  /// Dirty when the check's generation moved on (after synchronising) or
  /// when marked dirty.
  bool IsDirty() override;

  /// The shown rectangle; all zeros while hidden.
  const framework::IRECT& VisibleRect() const { return mVisible; }
  const std::string& Label() const { return mLabel; }
  const std::string& DownloadUrl() const { return mUrl; }
  bool Hovered() const { return mHovered; }

 private:
  /// Takes the check's offer, measures the label and places the pill.
  void Synchronise();

  UpdatePillStyle mStyle;
  const updates::UpdateCheck& mCheck;
  LayoutCallback mOnLayout;
  framework::IRECT mVisible;
  bool mHovered = false;
  std::string mLabel;
  std::string mUrl;
  int64_t mLastGeneration = -1;  // no generation seen yet
};

}  // namespace brightwold::controls
