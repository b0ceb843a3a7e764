// The transport stream read back by real decoders: ffmpeg decodes the
// SMPTE 302M stream bit for bit and the AAC stream to the right tone and
// level; Debian's tstools check the tables, continuity and PCR spacing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "TsTestReader.h"
#include "support/Subprocess.h"
#include "transport/FeedReader.h"
#include "transport/srt/Quantise.h"
#include "transport/srt/Resampler.h"
#include "transport/srt/SrtOutput.h"

namespace {

using namespace std::chrono_literals;
using relaycaster::SrtOutput;
using testsupport::Subprocess;

constexpr int kStride = relaycaster::FeedReader::kBlockStride;
constexpr double kToneHz = 997.0;
constexpr double kToneAmplitude = 0.5;
constexpr auto kPeerLimit = 30s;

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/srt-output-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) mPath = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!mPath.empty()) std::filesystem::remove_all(mPath, ignored);
  }
  std::string file(const std::string& name) const { return mPath + "/" + name; }
  bool ok() const { return !mPath.empty(); }
  const std::string& path() const { return mPath; }

 private:
  std::string mPath;
};

/// A 997 Hz tone with low-level noise, different per channel, in planar
/// 10 ms blocks at the host rate; everything played is kept.
class Signal {
 public:
  Signal(int rate, int channels) : mRate(rate), mChannels(channels), mBlock(2 * kStride), mRandom(1234) {}

  const float* nextBlock() {
    std::uniform_real_distribution<float> noise(-1e-3f, 1e-3f);
    const int frames = blockFrames();
    for (int i = 0; i < frames; ++i, ++mFrame)
      for (int c = 0; c < mChannels; ++c) {
        const double phase = 2.0 * M_PI * kToneHz * static_cast<double>(mFrame) / mRate + 0.7 * c;
        const float x = static_cast<float>(kToneAmplitude * std::sin(phase)) + noise(mRandom);
        mBlock[static_cast<size_t>(c * kStride + i)] = x;
      }
    return mBlock.data();
  }
  int blockFrames() const { return mRate / 100; }

 private:
  int mRate;
  int mChannels;
  long mFrame = 0;
  std::vector<float> mBlock;
  std::mt19937 mRandom;
};

/// Streams `seconds` of the signal through an output and returns the bytes
/// cut before the last PES packet (which may be incomplete when the
/// capture stops), with the blocks that went in.
struct Capture {
  std::vector<uint8_t> bytes;
  std::vector<std::vector<float>> blocks;  // planar, stride kStride
  int completeUnits = 0;
};

Capture captureStream(int codec, int rate, int channels, double seconds) {
  relaycaster::SrtSettings settings;
  settings.codec = codec;
  settings.serviceName = "Peer test";
  SrtOutput output;
  std::string error;
  EXPECT_TRUE(output.configure(settings, rate, channels, error)) << error;
  Signal signal(rate, channels);
  tstest::CapturedStream stream;
  Capture capture;
  const int blocks = static_cast<int>(std::lround(seconds * 100));
  for (int b = 0; b < blocks; ++b) {
    const float* block = signal.nextBlock();
    capture.blocks.emplace_back(block, block + 2 * kStride);
    output.consumeBlock(block, kStride, signal.blockFrames(), stream);
  }
  for (int size : stream.sizes) EXPECT_EQ(size, 1316);
  size_t lastStart = stream.packetCount();
  for (size_t i = 0; i < stream.packetCount(); ++i) {
    const tstest::Packet packet = tstest::parsePacket(stream.packet(i));
    if (packet.pid == 0x100 && packet.unitStart) {
      lastStart = i;
      ++capture.completeUnits;
    }
  }
  --capture.completeUnits;
  capture.bytes.assign(stream.bytes.begin(), stream.bytes.begin() + static_cast<long>(lastStart * tstest::kPacket));
  return capture;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

template <typename T>
std::vector<T> readSamples(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<T> samples(raw.size() / sizeof(T));
  std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(T));
  return samples;
}

/// ffmpeg decodes the first audio stream of `ts` to raw `format` samples.
testsupport::ProcessResult decode(const std::string& ts, const std::string& format, const std::string& codec,
                                  const std::string& out) {
  return Subprocess::run({"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-analyzeduration", "500000", "-i",
                          ts, "-map", "0:a:0", "-c:a", codec, "-f", format, "-y", out},
                         kPeerLimit);
}

class SrtOutputPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Subprocess::available("ffmpeg")) GTEST_FAIL() << "ffmpeg is needed for the peer tests";
    ASSERT_TRUE(dir.ok());
  }
  TempDir dir;
};

// The 24-bit values that must come back: the signal itself at 48 kHz, or
// what our own resampler makes of it at other rates. Interleaved stereo;
// mono is duplicated as on the wire.
std::vector<int32_t> expectedPcm(const Capture& capture, int rate, int channels) {
  relaycaster::Resampler resampler;
  resampler.init(rate, 48000, channels);
  std::vector<int32_t> expected;
  for (const auto& block : capture.blocks)
    resampler.process(block.data(), kStride, rate / 100, [&](const float* frame) {
      expected.push_back(relaycaster::quantise24(frame[0]));
      expected.push_back(relaycaster::quantise24(frame[channels > 1 ? 1 : 0]));
    });
  return expected;
}

void checkPcmRoundTrip(const std::string& ts, const std::string& raw, int rate, int channels) {
  const Capture capture = captureStream(1, rate, channels, 3.0);
  ASSERT_TRUE(writeFile(ts, capture.bytes));
  const auto result = decode(ts, "s32le", "pcm_s32le", raw);
  ASSERT_TRUE(result.succeeded()) << result.describe();
  EXPECT_EQ(result.err, "");
  const std::vector<int32_t> decoded = readSamples<int32_t>(raw);
  const std::vector<int32_t> expected = expectedPcm(capture, rate, channels);
  ASSERT_EQ(decoded.size(), static_cast<size_t>(capture.completeUnits) * 480u * 2u);
  ASSERT_LE(decoded.size(), expected.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < decoded.size(); ++i) {
    EXPECT_EQ(decoded[i] & 0xFF, 0) << i;  // 24 bits in the top of 32
    if ((decoded[i] >> 8) != expected[i] && ++mismatches <= 5)
      ADD_FAILURE() << "sample " << i << ": decoded " << (decoded[i] >> 8) << ", sent " << expected[i];
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(SrtOutputPeer, PcmDecodesBitExactAt48kStereo) {
  checkPcmRoundTrip(dir.file("pcm48.ts"), dir.file("pcm48.raw"), 48000, 2);
}

TEST_F(SrtOutputPeer, PcmDecodesBitExactAt48kMono) {
  checkPcmRoundTrip(dir.file("pcm48m.ts"), dir.file("pcm48m.raw"), 48000, 1);
}

TEST_F(SrtOutputPeer, PcmFrom44100DecodesToOurResamplerOutput) {
  checkPcmRoundTrip(dir.file("pcm44.ts"), dir.file("pcm44.raw"), 44100, 2);
}

TEST_F(SrtOutputPeer, PcmFrom96000DecodesToOurResamplerOutput) {
  checkPcmRoundTrip(dir.file("pcm96.ts"), dir.file("pcm96.raw"), 96000, 2);
}

// Frequency from the spacing of rising zero crossings (interpolated), and
// RMS level in dB, over one channel of interleaved samples.
struct ToneMeasure {
  double frequency = 0;
  double rmsDb = -999;
};

ToneMeasure measure(const std::vector<float>& samples, int channels, int rate, size_t from, size_t to) {
  ToneMeasure m;
  double first = -1, last = -1, sumSquares = 0;
  int crossings = 0;
  for (size_t i = from; i < to; ++i) {
    const double a = samples[(i - 1) * static_cast<size_t>(channels)];
    const double b = samples[i * static_cast<size_t>(channels)];
    sumSquares += b * b;
    if (a < 0 && b >= 0) {
      const double at = static_cast<double>(i - 1) + a / (a - b);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings > 1) m.frequency = (crossings - 1) * rate / (last - first);
  m.rmsDb = 10.0 * std::log10(sumSquares / static_cast<double>(to - from));
  return m;
}

void checkAacTone(const std::string& ts, const std::string& raw, int rate, int channels) {
  const Capture capture = captureStream(0, rate, channels, 3.0);
  ASSERT_TRUE(writeFile(ts, capture.bytes));
  const auto result = decode(ts, "f32le", "pcm_f32le", raw);
  ASSERT_TRUE(result.succeeded()) << result.describe();
  EXPECT_EQ(result.err, "");
  const std::vector<float> decoded = readSamples<float>(raw);
  const size_t frames = decoded.size() / static_cast<size_t>(channels);
  ASSERT_GT(frames, static_cast<size_t>(rate * 2));
  const ToneMeasure tone = measure(decoded, channels, rate, static_cast<size_t>(rate / 4), frames - static_cast<size_t>(rate / 4));
  const double expectedDb = 20.0 * std::log10(kToneAmplitude / std::sqrt(2.0));
  EXPECT_NEAR(tone.frequency, kToneHz, 0.5);
  EXPECT_NEAR(tone.rmsDb, expectedDb, 0.5);
}

TEST_F(SrtOutputPeer, AacAt44100DecodesToTheTone) {
  checkAacTone(dir.file("aac44.ts"), dir.file("aac44.raw"), 44100, 2);
}

TEST_F(SrtOutputPeer, AacAt48kMonoDecodesToTheTone) {
  checkAacTone(dir.file("aac48.ts"), dir.file("aac48.raw"), 48000, 1);
}

TEST_F(SrtOutputPeer, FfprobeSeesTheProgramAndService) {
  const std::string ts = dir.file("probe.ts");
  ASSERT_TRUE(writeFile(ts, captureStream(1, 48000, 2, 1.0).bytes));
  const auto result = Subprocess::run({"ffprobe", "-v", "error", "-analyzeduration", "500000", "-show_entries",
                                       "stream=codec_name,sample_rate,channels:program_tags=service_name,service_provider",
                                       "-of", "default=noprint_wrappers=1", ts},
                                      kPeerLimit);
  ASSERT_TRUE(result.succeeded()) << result.describe();
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("codec_name=s302m"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("sample_rate=48000"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("service_name=Peer test"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("service_provider=Brightwold"), std::string::npos) << result.out;
}

// tstools mark every problem it finds with "###" (errors: bad CRC,
// continuity) or "!!!" (warnings: PCR gaps over 0.1 s, discarded tables).
bool hasToolComplaint(const std::string& text) {
  return text.find("###") != std::string::npos || text.find("!!!") != std::string::npos;
}

TEST_F(SrtOutputPeer, TsToolsFindTablesAndNoErrors) {
  if (!Subprocess::available("tsinfo") || !Subprocess::available("tsreport"))
    GTEST_FAIL() << "tstools (tsinfo, tsreport) are needed";
  for (int codec : {0, 1}) {
    SCOPED_TRACE(codec == 0 ? "AAC" : "PCM");
    const std::string ts = dir.file(codec == 0 ? "tools-aac.ts" : "tools-pcm.ts");
    const Capture capture = captureStream(codec, 48000, 2, 2.0);
    ASSERT_TRUE(writeFile(ts, capture.bytes));

    // tsinfo checks the PAT and PMT CRCs and lists the program.
    const auto info = Subprocess::run({"tsinfo", "-max", "100000", ts}, kPeerLimit);
    ASSERT_TRUE(info.succeeded()) << info.describe();
    EXPECT_FALSE(hasToolComplaint(info.out + info.err)) << info.out << info.err;
    EXPECT_NE(info.out.find("Program 1 -> PID 1000"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("is PMT with PID 1000"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(codec == 0 ? "Stream type 0f" : "Stream type 06"), std::string::npos) << info.out;

    // tsreport checks PCR spacing and the audio PID's continuity counters
    // (it writes continuity_counter.txt into its working directory).
    const auto report = Subprocess::run({"tsreport", "-b", "-cnt", "256", ts}, kPeerLimit, dir.path());
    ASSERT_TRUE(report.succeeded()) << report.describe();
    EXPECT_FALSE(hasToolComplaint(report.out + report.err)) << report.out << report.err;
    EXPECT_NE(report.out.find("Bad (>.1s) gaps: 0"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("CC: first: 0"), std::string::npos) << report.out;
    size_t pcrs = 0;
    for (size_t i = 0; i < capture.bytes.size() / tstest::kPacket; ++i)
      if (tstest::parsePacket(capture.bytes.data() + i * tstest::kPacket).pcr) ++pcrs;
    EXPECT_NE(report.out.find("PCRs found: " + std::to_string(pcrs) + ","), std::string::npos) << report.out;
  }
}

}  // namespace
