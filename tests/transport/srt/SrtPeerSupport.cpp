#include "SrtPeerSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numbers>
#include <sstream>

namespace srtpeer {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
}

// --- state recorder -------------------------------------------------------------

StateRecorder::StateRecorder(const relaycaster::SrtSender& sender)
    : mSender(sender), mEntries{{sender.state(), sender.message()}}, mThread([this] {
  while (mRunning.load(std::memory_order_acquire)) {
    const relaycaster::SrtState state = mSender.state();
    {
      std::lock_guard lock(mMutex);
      if (mEntries.empty() || mEntries.back().state != state) mEntries.push_back({state, mSender.message()});
    }
    std::this_thread::sleep_for(1ms);
  }
}) {}

StateRecorder::~StateRecorder() {
  mRunning.store(false, std::memory_order_release);
  mThread.join();
}

std::vector<StateRecorder::Entry> StateRecorder::entries() const {
  std::lock_guard lock(mMutex);
  return mEntries;
}

std::string StateRecorder::sequence() const {
  std::string text;
  for (const Entry& entry : entries()) {
    if (!text.empty()) text += ' ';
    text += std::to_string(static_cast<int>(entry.state));
  }
  return text;
}

bool StateRecorder::reaches(const std::string& expected) const {
  return waitUntil([&] { return sequence() == expected; }, 2s);
}

bool StateRecorder::saw(relaycaster::SrtState state) const {
  for (const Entry& entry : entries())
    if (entry.state == state) return true;
  return false;
}

// --- tone source ----------------------------------------------------------------

TonePlayer::TonePlayer(relaycaster::AudioFeed& feed, double rate, int channels, double frequency, double peakDb,
                       int blockFrames)
    : mFeed(feed),
      mRate(rate),
      mChannels(channels),
      mFrequency(frequency),
      mAmplitude(std::pow(10.0, peakDb / 20.0)),
      mBlockFrames(blockFrames),
      mThread([this] { play(); }) {}

TonePlayer::~TonePlayer() {
  mRunning.store(false, std::memory_order_release);
  mThread.join();
}

void TonePlayer::play() {
  std::vector<double> left(static_cast<size_t>(mBlockFrames));
  std::vector<double> right(static_cast<size_t>(mBlockFrames));
  const double* inputs[2] = {left.data(), right.data()};
  const double step = 2.0 * std::numbers::pi * mFrequency / mRate;
  uint64_t frame = 0;
  const auto blockDuration = std::chrono::duration<double>(mBlockFrames / mRate);
  auto deadline = std::chrono::steady_clock::now();
  while (mRunning.load(std::memory_order_acquire)) {
    for (int i = 0; i < mBlockFrames; ++i) {
      // The phase from the absolute frame number, so it never drifts.
      const double value = mAmplitude * std::sin(step * static_cast<double>(frame + static_cast<uint64_t>(i)));
      left[static_cast<size_t>(i)] = value;
      right[static_cast<size_t>(i)] = value;
    }
    frame += static_cast<uint64_t>(mBlockFrames);
    if (!mPaused.load(std::memory_order_relaxed)) {
      mFeed.push(inputs, mChannels, mBlockFrames, 1.0f);
      mBlocks.fetch_add(1, std::memory_order_relaxed);
    }
    deadline += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockDuration);
    std::this_thread::sleep_until(deadline);
  }
}

// --- WAV ----------------------------------------------------------------------

namespace {

uint32_t le32(const char* p) {
  return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
         uint32_t(uint8_t(p[3])) << 24;
}
uint16_t le16(const char* p) { return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8); }

}  // namespace

std::optional<WavAudio> readWav(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return std::nullopt;

  WavAudio audio;
  int format = 0;
  int bits = 0;
  size_t position = 12;
  while (position + 8 <= bytes.size()) {
    const std::string id = bytes.substr(position, 4);
    size_t size = le32(bytes.data() + position + 4);
    const size_t body = position + 8;
    if (id == "fmt " && body + 16 <= bytes.size()) {
      format = le16(bytes.data() + body);
      audio.channels = le16(bytes.data() + body + 2);
      audio.rate = static_cast<int>(le32(bytes.data() + body + 4));
      bits = le16(bytes.data() + body + 14);
      if (format == 0xFFFE && size >= 40 && body + 26 <= bytes.size()) format = le16(bytes.data() + body + 24);
    } else if (id == "data") {
      // A writer that was stopped early leaves the size unset: take the rest.
      if (size == 0 || size == 0xFFFFFFFFu || body + size > bytes.size()) size = bytes.size() - body;
      if (audio.channels <= 0) return std::nullopt;
      const int bytesPerSample = bits / 8;
      if (bytesPerSample <= 0) return std::nullopt;
      const size_t count = size / static_cast<size_t>(bytesPerSample);
      audio.samples.resize(count);
      for (size_t i = 0; i < count; ++i) {
        const char* p = bytes.data() + body + i * static_cast<size_t>(bytesPerSample);
        float value = 0.0f;
        if (format == 3 && bits == 32) {
          std::memcpy(&value, p, 4);
        } else if (format == 1 && bits == 16) {
          value = static_cast<int16_t>(le16(p)) / 32768.0f;
        } else if (format == 1 && bits == 24) {
          const int32_t v = int32_t(uint8_t(p[0])) | int32_t(uint8_t(p[1])) << 8 | int32_t(int8_t(p[2])) * 65536;
          value = static_cast<float>(v / 8388608.0);
        } else if (format == 1 && bits == 32) {
          value = static_cast<float>(static_cast<int32_t>(le32(p)) / 2147483648.0);
        } else {
          return std::nullopt;
        }
        audio.samples[i] = value;
      }
      const size_t frames = count / static_cast<size_t>(audio.channels);
      audio.samples.resize(frames * static_cast<size_t>(audio.channels));
      return audio;
    }
    position = body + size + (size & 1);
  }
  return std::nullopt;
}

// --- tone analysis --------------------------------------------------------------

std::string ToneReport::describe() const {
  std::ostringstream text;
  text << seconds << " s after " << leadingQuietSeconds << " s of leading silence, " << frequency << " Hz, peak " << peakDb << " dBFS, " << irregularCycles
       << " irregular cycles, " << quietWindows << " quiet windows, channel difference " << channelDifferenceDb
       << " dBFS";
  return text.str();
}

ToneReport analyseTone(const WavAudio& audio, double expectedFrequency, double skipSeconds) {
  ToneReport report;
  if (audio.channels <= 0 || audio.rate <= 0) return report;
  const size_t channels = static_cast<size_t>(audio.channels);
  const size_t frames = audio.samples.size() / channels;
  size_t first = std::min(frames, static_cast<size_t>(skipSeconds * audio.rate));
  if (frames - first < 2) return report;
  auto sample = [&](size_t frame, size_t channel = 0) { return audio.samples[frame * channels + channel]; };
  const size_t window = static_cast<size_t>(audio.rate / 100);  // 10 ms
  auto meanSquare = [&](size_t from, size_t to) {
    double energy = 0.0;
    for (size_t f = from; f < to; ++f) energy += double(sample(f)) * sample(f);
    return to > from ? energy / static_cast<double>(to - from) : 0.0;
  };

  // A sender that was still filling its buffer when the receiver arrived
  // starts with silence: measure it, then analyse from the tone's start.
  const double reference = meanSquare(first + (frames - first) / 2, frames);
  const size_t skipped = first;
  while (first + window <= frames && meanSquare(first, first + window) < reference * 0.5) first += window;
  report.leadingQuietSeconds = static_cast<double>(first - skipped) / audio.rate;
  // A lossy codec smears the onset over a frame or two on either side.
  if (first > skipped) first = std::min(frames, first + static_cast<size_t>(audio.rate / 20));
  if (frames - first < 2) return report;
  report.seconds = static_cast<double>(frames - first) / audio.rate;

  float peak = 0.0f;
  float difference = 0.0f;
  double energy = 0.0;
  for (size_t f = first; f < frames; ++f) {
    peak = std::max(peak, std::fabs(sample(f)));
    energy += double(sample(f)) * sample(f);
    if (channels > 1) difference = std::max(difference, std::fabs(sample(f) - sample(f, 1)));
  }
  report.peakDb = 20.0 * std::log10(std::max(peak, 1e-10f));
  if (channels > 1) report.channelDifferenceDb = 20.0 * std::log10(std::max(difference, 1e-10f));

  // Positive-going zero crossings, placed between samples by interpolation.
  const double period = audio.rate / expectedFrequency;
  double firstCrossing = -1.0;
  double lastCrossing = -1.0;
  int crossings = 0;
  for (size_t f = first + 1; f < frames; ++f) {
    const float a = sample(f - 1);
    const float b = sample(f);
    if (a < 0.0f && b >= 0.0f) {
      const double at = static_cast<double>(f - 1) + a / double(a - b);
      if (lastCrossing >= 0.0 && std::fabs((at - lastCrossing) - period) > 0.05 * period) ++report.irregularCycles;
      if (firstCrossing < 0.0) firstCrossing = at;
      lastCrossing = at;
      ++crossings;
    }
  }
  if (crossings > 1) report.frequency = (crossings - 1) * audio.rate / (lastCrossing - firstCrossing);

  // Energy per 10 ms window against the whole: silence or a dip is a gap.
  const double whole = energy / static_cast<double>(frames - first);
  for (size_t start = first; start + window <= frames; start += window)
    if (meanSquare(start, start + window) < whole * 0.5) ++report.quietWindows;
  return report;
}

// --- ffmpeg ---------------------------------------------------------------------

namespace {

std::string passphraseQuery(const std::string& passphrase) {
  return passphrase.empty() ? std::string() : "&passphrase=" + passphrase + "&pbkeylen=16";
}

std::vector<std::string> ffmpegDecode(const std::string& url, double seconds, const std::string& wavPath) {
  // ffmpeg would otherwise probe a live 302M stream for seconds before it
  // decodes anything: half a second of analysis and 64 KiB (a quarter
  // second of PCM, more than enough AAC) are plenty for one audio stream.
  std::vector<std::string> args{"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-analyzeduration",
                                "500000", "-probesize", "65536", "-i", url};
  if (seconds > 0) {
    args.push_back("-t");
    args.push_back(std::to_string(seconds));
  }
  for (const char* arg : {"-vn", "-c:a", "pcm_f32le", "-f", "wav", "-y"}) args.emplace_back(arg);
  args.push_back(wavPath);
  return args;
}

}  // namespace

// ffmpeg's srt:// options: latency, timeout and listen_timeout are in
// microseconds, connect_timeout in milliseconds.
std::vector<std::string> ffmpegListenerToWav(int port, double seconds, const std::string& wavPath,
                                             const std::string& passphrase) {
  const std::string url = "srt://127.0.0.1:" + std::to_string(port) +
                          "?mode=listener&listen_timeout=20000000&timeout=4000000&latency=120000" +
                          passphraseQuery(passphrase);
  return ffmpegDecode(url, seconds, wavPath);
}

std::vector<std::string> ffmpegCallerToWav(int port, double seconds, const std::string& wavPath,
                                           const std::string& passphrase) {
  const std::string url = "srt://127.0.0.1:" + std::to_string(port) +
                          "?mode=caller&connect_timeout=3000&timeout=4000000&latency=120000" +
                          passphraseQuery(passphrase);
  return ffmpegDecode(url, seconds, wavPath);
}

std::vector<std::string> ffmpegFileToWav(const std::string& tsPath, const std::string& wavPath) {
  return ffmpegDecode(tsPath, 0, wavPath);
}

std::string tempPath(const std::string& stem, const std::string& extension) {
  static std::atomic<int> counter{0};
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->name()) : std::string("test");
  std::replace(name.begin(), name.end(), '/', '_');
  return ::testing::TempDir() + "relaycaster-" + std::to_string(getpid()) + "-" + name + "-" + stem + "-" +
         std::to_string(counter.fetch_add(1)) + "." + extension;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace srtpeer
