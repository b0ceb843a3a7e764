#pragma once

#include <functional>
#include <string>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// A short word-wrapped note from a provider, redrawn when its text changes.
class NoteControl : public framework::IControl {
 public:
  using Provider = std::function<std::string()>;

  NoteControl(const framework::IRECT& bounds, const framework::TextStyle& style, Provider provider);

  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  const std::string& ShownText() const { return mShownText; }

 private:
  framework::TextStyle mStyle;
  Provider mProvider;
  std::string mShownText;
};

/// Shown under "LISTENING ON" in SRT listener mode.
std::string listeningNote();
/// Shown in place of the bitrate knob when the SRT codec is PCM; says
/// whether the host rate (Hz) is resampled to 48 kHz.
std::string pcmNote(double sampleRate);

}  // namespace relaycaster::stream_panel
