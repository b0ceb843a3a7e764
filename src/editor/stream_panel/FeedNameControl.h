#pragma once

#include <functional>

#include "editor/stream_panel/Records.h"
#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// "FEED NAME", the NDI name in a box, and under it the sentence that
/// explains it (in the error colour when it is an NDI error) and a clash
/// warning, both word-wrapped.
class FeedNameControl : public framework::IControl {
 public:
  using Provider = std::function<FeedName()>;

  struct Colours {
    framework::IColor boxFill;
    framework::IColor boxBorder;
    framework::IColor warning;
    framework::IColor error;
  };

  FeedNameControl(const framework::IRECT& bounds, const framework::TextStyle& labelStyle,
                  const framework::TextStyle& nameStyle, const framework::TextStyle& noteStyle, Provider provider,
                  const Colours& colours);

  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  /// The explanation starts this far below the box's bottom edge...
  static constexpr float kExplanationGap = 6.f;
  /// ...and the warning this far below the explanation's last line.
  static constexpr float kWarningGap = 4.f;

  const FeedName& Shown() const { return mShown; }

 private:
  framework::TextStyle mLabelStyle;
  framework::TextStyle mNameStyle;
  framework::TextStyle mNoteStyle;
  Provider mProvider;
  FeedName mShown;
  Colours mColours;
};

}  // namespace relaycaster::stream_panel
