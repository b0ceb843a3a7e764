#include "editor/stream_panel/NoteControl.h"

#include <cmath>
#include <cstdio>

#include "editor/DrawWrapped.h"
#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

NoteControl::NoteControl(const framework::IRECT& bounds, const framework::TextStyle& style, Provider provider)
    : IControl(bounds), mStyle(style), mProvider(std::move(provider)) {
  SetIgnoreMouse(true);
}

bool NoteControl::IsDirty() {
  std::string text = mProvider ? mProvider() : std::string();
  const bool changed = text != mShownText;
  mShownText = std::move(text);
  return changed || IControl::IsDirty();
}

void NoteControl::Draw(framework::IGraphics& g) { DrawWrapped(g, *this, mStyle, mShownText, GetRECT().T); }

std::string listeningNote() { return "Every interface, one receiver at a time"; }

std::string pcmNote(double sampleRate) {
  if (sampleRate == 48000.0) return "PCM, 24-bit, 48 kHz. About 2.3 Mbit/s.";
  char rate[16];  // at most 15 characters: an absurd rate cannot overrun anything
  std::snprintf(rate, sizeof rate, std::fmod(sampleRate, 1000.0) != 0.0 ? "%.1f kHz" : "%.0f kHz", sampleRate / 1000.0);
  return std::string("PCM, 24-bit, resampled from ") + rate + " to 48 kHz. About 2.3 Mbit/s.";
}

}  // namespace relaycaster::stream_panel
