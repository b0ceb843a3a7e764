#pragma once

#include <functional>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// A translucent cover over an area that is not in use (a transport that is
/// off, the whole panel while bypassed). It ignores the mouse, so
/// everything under it stays operable.
class ShadeControl : public framework::IControl {
 public:
  using Predicate = std::function<bool()>;

  ShadeControl(const framework::IRECT& bounds, Predicate shown, const framework::IColor& colour);

  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  bool Shown() const { return mShown; }

 private:
  Predicate mPredicate;
  bool mShown = false;
  framework::IColor mColour;
};

}  // namespace relaycaster::stream_panel
