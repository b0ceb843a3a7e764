#pragma once

// Where the command-line host's track audio comes from: a built-in sine or
// a WAV file held in memory and looped.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace relaycaster_host {

/// Fills planar blocks for the audio thread.
///
/// Threads: made on the main thread; render() on the audio thread only,
/// where it neither allocates nor blocks.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  /// Writes `frames` samples into each of `channels` buffers.
  virtual void render(double** channels, int channelCount, int frames) = 0;
};

/// A sine at `frequency` Hz with a peak of `peakDb` dBFS, the same in every
/// channel, its phase computed from the frame count so it never drifts.
std::unique_ptr<AudioSource> makeToneSource(double sampleRate, double frequency, double peakDb);

/// A WAV file read whole into memory (libsndfile), then looped. Channels
/// beyond the file's repeat its last channel; extra file channels are left
/// out.
struct WavFile {
  int sampleRate = 0;
  int channels = 0;
  int64_t frames = 0;
  std::unique_ptr<AudioSource> source;
};

/// Reads `path`; on failure returns a WavFile without a source and sets
/// `error` to a sentence.
WavFile loadWavFile(const std::string& path, std::string& error);

}  // namespace relaycaster_host
