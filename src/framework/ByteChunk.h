#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace framework {

/// A growable little-endian byte buffer for plug-in state. Writers append;
/// readers take a field at a position and get the position after it, or -1
/// when the field does not fit (the buffer is never read past its end).
class ByteChunk {
 public:
  ByteChunk() = default;
  explicit ByteChunk(std::vector<uint8_t> bytes) : mBytes(std::move(bytes)) {}

  void PutInt32(int32_t value) { PutRaw(&value, sizeof value); }
  void PutDouble(double value) { PutRaw(&value, sizeof value); }
  /// A 32-bit length, then the bytes without a terminator.
  void PutString(const std::string& text) {
    PutInt32(static_cast<int32_t>(text.size()));
    PutRaw(text.data(), text.size());
  }
  void PutBytes(const void* data, size_t size) { PutRaw(data, size); }

  int GetInt32(int32_t& value, int pos) const { return GetRaw(&value, sizeof value, pos); }
  int GetDouble(double& value, int pos) const { return GetRaw(&value, sizeof value, pos); }
  /// A length of 0 or less reads as an empty string; a length running past
  /// the end fails.
  int GetString(std::string& text, int pos) const {
    int32_t length = 0;
    pos = GetInt32(length, pos);
    if (pos < 0) return -1;
    if (length <= 0) {
      text.clear();
      return pos;
    }
    if (static_cast<uint64_t>(pos) + static_cast<uint64_t>(length) > mBytes.size()) return -1;
    text.assign(reinterpret_cast<const char*>(mBytes.data()) + pos, static_cast<size_t>(length));
    return pos + length;
  }

  int Size() const { return static_cast<int>(mBytes.size()); }
  const uint8_t* Data() const { return mBytes.data(); }
  const std::vector<uint8_t>& Bytes() const { return mBytes; }
  void Clear() { mBytes.clear(); }

 private:
  static_assert(sizeof(double) == 8);
  static_assert(std::endian::native == std::endian::little, "fields are copied in host byte order");

  void PutRaw(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + size);
  }
  int GetRaw(void* out, size_t size, int pos) const {
    if (pos < 0 || static_cast<uint64_t>(pos) + size > mBytes.size()) return -1;
    std::memcpy(out, mBytes.data() + pos, size);
    return pos + static_cast<int>(size);
  }

  std::vector<uint8_t> mBytes;
};

}  // namespace framework
