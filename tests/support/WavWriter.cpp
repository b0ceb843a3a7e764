#include "support/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

namespace testsupport {
namespace {

void PutLittleEndian(std::vector<char>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutTag(std::vector<char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

bool WriteWav16(const std::string& path, int rate, int channels, double seconds,
                const std::function<double(double)>& signal) {
  if (rate <= 0 || channels <= 0 || !(seconds > 0.0)) return false;
  const auto frames = static_cast<uint32_t>(std::llround(seconds * rate));
  const uint32_t dataBytes = frames * static_cast<uint32_t>(channels) * 2;
  std::vector<char> bytes;
  bytes.reserve(44 + dataBytes);
  PutTag(bytes, "RIFF");
  PutLittleEndian(bytes, 36 + dataBytes, 4);
  PutTag(bytes, "WAVE");
  PutTag(bytes, "fmt ");
  PutLittleEndian(bytes, 16, 4);
  PutLittleEndian(bytes, 1, 2);  // integer PCM
  PutLittleEndian(bytes, static_cast<uint32_t>(channels), 2);
  PutLittleEndian(bytes, static_cast<uint32_t>(rate), 4);
  PutLittleEndian(bytes, static_cast<uint32_t>(rate * channels * 2), 4);
  PutLittleEndian(bytes, static_cast<uint32_t>(channels * 2), 2);
  PutLittleEndian(bytes, 16, 2);
  PutTag(bytes, "data");
  PutLittleEndian(bytes, dataBytes, 4);
  for (uint32_t frame = 0; frame < frames; ++frame) {
    const double value = std::clamp(signal(static_cast<double>(frame) / rate), -1.0, 1.0);
    const auto sample = static_cast<int16_t>(std::lround(value * 32767.0));
    for (int c = 0; c < channels; ++c) PutLittleEndian(bytes, static_cast<uint16_t>(sample), 2);
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace testsupport
