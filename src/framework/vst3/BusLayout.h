#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pluginterfaces/vst/vstspeaker.h"

namespace framework::vst3 {

/// The plug-in's one main audio input bus and one main audio output bus:
/// which channel layouts it accepts, which one the host chose, and whether
/// the host switched each bus on.
///
/// Threads: written by the host between setupProcessing calls (never while
/// processing); read by the audio thread while processing.
class BusLayout {
 public:
  using Arrangement = Steinberg::Vst::SpeakerArrangement;

  /// `channelIO` lists accepted "in-out" channel pairs separated by spaces,
  /// e.g. "1-1 2-2". The default layout is the widest pair.
  explicit BusLayout(const char* channelIO);

  /// Takes the host's proposal when its channel counts form an accepted pair.
  bool Request(Arrangement input, Arrangement output);
  Arrangement InputArrangement() const { return mInput; }
  Arrangement OutputArrangement() const { return mOutput; }
  int InputChannels() const;
  int OutputChannels() const;
  /// The widest channel count over all accepted pairs (scratch sizing).
  int MaxChannels() const;

  void SetInputActive(bool active) { mInputActive = active; }
  void SetOutputActive(bool active) { mOutputActive = active; }
  /// Channel counts the plug-in sees: 0 for a bus the host switched off.
  int ConnectedInputChannels() const { return mInputActive ? InputChannels() : 0; }
  int ConnectedOutputChannels() const { return mOutputActive ? OutputChannels() : 0; }

  /// The arrangement a layout of this many channels gets by default.
  static Arrangement DefaultArrangement(int channels);

 private:
  std::vector<std::pair<int, int>> mAccepted;
  Arrangement mInput = Steinberg::Vst::SpeakerArr::kStereo;
  Arrangement mOutput = Steinberg::Vst::SpeakerArr::kStereo;
  bool mInputActive = true;
  bool mOutputActive = true;
};

/// Parses "1-1 2-2" style channel I/O lists; malformed items are skipped.
std::vector<std::pair<int, int>> ParseChannelIO(const char* channelIO);

}  // namespace framework::vst3
