#include "framework/graphics/Resources.h"

#include <fstream>
#include <system_error>

namespace framework {

ResourceLoader ResourceFolderLoader(std::filesystem::path folder) {
  return [folder = std::move(folder)](const std::string& name, const char*) -> std::optional<std::vector<uint8_t>> {
    constexpr std::uintmax_t kLargest = 16u << 20;
    if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) return {};
    const std::filesystem::path path = folder / name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargest) return {};
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return {};
    return bytes;
  };
}

}  // namespace framework
