#include "support/StreamCheck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/Subprocess.h"

namespace testsupport {
namespace {

constexpr int64_t kHalfRange = int64_t{1} << 23;  // 24-bit values run from -2^23 to 2^23 - 1
constexpr uint64_t kRange = uint64_t{1} << 24;
constexpr double kFullScale = 8388608.0;
constexpr size_t kPacket = 188;
constexpr int kNullPid = 0x1FFF;

int32_t leftValue(uint64_t frame) { return static_cast<int32_t>(static_cast<int64_t>(frame % kRange) - kHalfRange); }
int32_t rightOf(int32_t left) { return -left - 1; }
int32_t successor(int32_t value) { return value == kHalfRange - 1 ? static_cast<int32_t>(-kHalfRange) : value + 1; }

void putLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

double counterLeft(uint64_t frame) { return leftValue(frame) / kFullScale; }
double counterRight(uint64_t frame) { return rightOf(leftValue(frame)) / kFullScale; }

void fillCounter(uint64_t firstFrame, int frames, double* left, double* right) {
  for (int i = 0; i < frames; ++i) {
    left[i] = counterLeft(firstFrame + static_cast<uint64_t>(i));
    right[i] = counterRight(firstFrame + static_cast<uint64_t>(i));
  }
}

bool writeCounterWav(const std::string& path, uint64_t frames) {
  constexpr int kRate = 48000;
  constexpr int kChannels = 2;
  constexpr int kBytesPerSample = 3;
  const uint64_t dataBytes = frames * kChannels * kBytesPerSample;
  if (dataBytes > 0xFFFFFFF0u) return false;
  std::string header = "RIFF";
  putLe(header, static_cast<uint32_t>(36 + dataBytes), 4);
  header += "WAVEfmt ";
  putLe(header, 16, 4);
  putLe(header, 1, 2);  // integer PCM
  putLe(header, kChannels, 2);
  putLe(header, kRate, 4);
  putLe(header, kRate * kChannels * kBytesPerSample, 4);
  putLe(header, kChannels * kBytesPerSample, 2);
  putLe(header, 8 * kBytesPerSample, 2);
  header += "data";
  putLe(header, static_cast<uint32_t>(dataBytes), 4);

  std::ofstream file(path, std::ios::binary);
  file.write(header.data(), static_cast<std::streamsize>(header.size()));
  std::string block;
  for (uint64_t frame = 0; frame < frames && file; ++frame) {
    const int32_t left = leftValue(frame);
    putLe(block, static_cast<uint32_t>(left), kBytesPerSample);
    putLe(block, static_cast<uint32_t>(rightOf(left)), kBytesPerSample);
    if (block.size() >= 65536 || frame + 1 == frames) {
      file.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  return static_cast<bool>(file);
}

ContinuityReport checkContinuity(const std::string& bytes) {
  ContinuityReport report;
  std::array<int, 8192> last;
  std::array<bool, 8192> repeated{};
  last.fill(-1);
  for (size_t at = 0; at + kPacket <= bytes.size(); at += kPacket) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    ++report.packets;
    if (p[0] != 0x47) {
      ++report.lostSync;
      continue;
    }
    const int pid = ((p[1] & 0x1F) << 8) | p[2];
    if (pid == kNullPid) {
      ++report.nullPackets;
      continue;
    }
    const int counter = p[3] & 0x0F;
    const bool payload = (p[3] & 0x10) != 0;
    const int previous = last[static_cast<size_t>(pid)];
    last[static_cast<size_t>(pid)] = counter;
    if (previous < 0) continue;
    if (!payload) {
      if (counter != previous) ++report.errors;
      continue;
    }
    if (counter == previous && !repeated[static_cast<size_t>(pid)]) {
      repeated[static_cast<size_t>(pid)] = true;  // one repeat is allowed
      continue;
    }
    repeated[static_cast<size_t>(pid)] = false;
    if (counter != ((previous + 1) & 0x0F)) ++report.errors;
  }
  return report;
}

std::string CounterReport::describe() const {
  std::ostringstream text;
  text << frames << " frames, " << leading << " before the counter started, longest exact run " << longestRun
       << ", " << breaks << " breaks, " << misplacedFrames << " frames out of place";
  if (!breakFrames.empty()) {
    text << " (breaks at";
    for (long frame : breakFrames) text << " " << frame / 48 << " ms";
    text << ")";
  }
  return text.str();
}

CounterReport checkCounter(const std::vector<int32_t>& interleaved) {
  CounterReport report;
  report.frames = static_cast<long>(interleaved.size() / 2);
  auto left = [&](long frame) { return interleaved[static_cast<size_t>(frame) * 2]; };
  auto isCounter = [&](long frame) { return interleaved[static_cast<size_t>(frame) * 2 + 1] == rightOf(left(frame)); };

  long start = 0;
  while (start < report.frames && !isCounter(start)) ++start;
  report.leading = start;
  if (start == report.frames) return report;

  int32_t lastValue = left(start);
  long run = 1;
  bool interrupted = false;  // something that is no counter frame came since the last one
  report.longestRun = 1;
  for (long frame = start + 1; frame < report.frames; ++frame) {
    if (!isCounter(frame)) {
      ++report.misplacedFrames;
      interrupted = true;
      run = 0;
      continue;
    }
    const int32_t value = left(frame);
    if (!interrupted && value == successor(lastValue)) {
      ++run;
    } else {
      ++report.breaks;
      if (report.breakFrames.size() < 16) report.breakFrames.push_back(frame - start);
      run = 1;
    }
    interrupted = false;
    lastValue = value;
    report.longestRun = std::max(report.longestRun, run);
  }
  return report;
}

DecodedStream decodePcmStream(const std::string& tsPath, const std::string& scratchPath,
                              std::chrono::milliseconds limit) {
  DecodedStream decoded;
  const ProcessResult result = Subprocess::run({"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-i", tsPath,
                                                "-vn", "-c:a", "pcm_s32le", "-f", "s32le", "-y", scratchPath},
                                               limit);
  decoded.decoded = result.succeeded();
  decoded.errors = result.err;
  std::ifstream file(scratchPath, std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::remove(scratchPath.c_str());
  decoded.samples.resize(raw.size() / 4);
  for (size_t i = 0; i < decoded.samples.size(); ++i) {
    int32_t value = 0;
    std::memcpy(&value, raw.data() + i * 4, 4);
    decoded.samples[i] = value >> 8;  // the decoder puts the 24 bits at the top
  }
  return decoded;
}

std::vector<std::string> srtReceiverToStdout(int port, int seconds) {
  return {"srt-live-transmit", "-q", "-a:no", "-t:" + std::to_string(seconds),
          "srt://127.0.0.1:" + std::to_string(port) + "?mode=listener&latency=20", "file://con"};
}

}  // namespace testsupport
