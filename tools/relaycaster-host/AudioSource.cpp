#include "AudioSource.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace relaycaster_host {
namespace {

class ToneSource final : public AudioSource {
 public:
  ToneSource(double sampleRate, double frequency, double peakDb)
      : mStep(2.0 * std::numbers::pi * frequency / sampleRate), mAmplitude(std::pow(10.0, peakDb / 20.0)) {}

  void render(double** channels, int channelCount, int frames) override {
    for (int i = 0; i < frames; ++i) {
      const double value = mAmplitude * std::sin(mStep * static_cast<double>(mFrame++));
      for (int c = 0; c < channelCount; ++c) channels[c][i] = value;
    }
  }

 private:
  double mStep;
  double mAmplitude;
  uint64_t mFrame = 0;
};

class WavLoop final : public AudioSource {
 public:
  WavLoop(std::vector<float> interleaved, int channels)
      : mSamples(std::move(interleaved)),
        mChannels(channels),
        mFrames(static_cast<int64_t>(mSamples.size()) / channels) {}

  void render(double** channels, int channelCount, int frames) override {
    for (int i = 0; i < frames; ++i) {
      const float* frame = mSamples.data() + mPosition * mChannels;
      for (int c = 0; c < channelCount; ++c) channels[c][i] = frame[std::min(c, mChannels - 1)];
      if (++mPosition >= mFrames) mPosition = 0;
    }
  }

 private:
  std::vector<float> mSamples;
  int mChannels;
  int64_t mFrames;
  int64_t mPosition = 0;
};

}  // namespace

std::unique_ptr<AudioSource> makeToneSource(double sampleRate, double frequency, double peakDb) {
  return std::make_unique<ToneSource>(sampleRate, frequency, peakDb);
}

WavFile loadWavFile(const std::string& path, std::string& error) {
  WavFile wav;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = "Cannot read " + path + ": " + sf_strerror(nullptr) + ".";
    return wav;
  }
  if (info.channels <= 0 || info.frames <= 0 || info.samplerate <= 0) {
    sf_close(file);
    error = path + " holds no audio.";
    return wav;
  }
  std::vector<float> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t read = sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  if (read <= 0) {
    error = "Cannot read the audio of " + path + ".";
    return wav;
  }
  samples.resize(static_cast<size_t>(read) * static_cast<size_t>(info.channels));
  wav.sampleRate = info.samplerate;
  wav.channels = info.channels;
  wav.frames = read;
  wav.source = std::make_unique<WavLoop>(std::move(samples), info.channels);
  return wav;
}

}  // namespace relaycaster_host
