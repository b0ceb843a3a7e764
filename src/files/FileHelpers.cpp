#include "files/FileHelpers.h"

#include <fstream>
#include <system_error>

#include "files/FileSystemPlatform.h"

namespace relaycaster {

namespace fs = std::filesystem;

namespace {

bool IsUsableTarget(const fs::path& target) { return target.is_absolute() && target.has_filename(); }

void CreateParentFolders(const fs::path& target) {
  std::error_code ignored;  // a failure shows up when the file is opened
  fs::create_directories(target.parent_path(), ignored);
}

fs::path WithSuffix(const fs::path& target, std::string_view suffix) {
  fs::path result = target;
  result += fs::path(PathFromUtf8(suffix));
  return result;
}

/// Writes `temporary` and renames it over `target`; the temporary file
/// never remains after a failure. Unlike a failed write, which could leave
/// a randomly named file behind at every attempt, this keeps the shared
/// folder clean.
bool WriteThenReplace(const fs::path& temporary, const fs::path& target, std::string_view bytes) {
  if (!platform_files::WriteAndFlush(temporary, bytes)) return false;
  if (platform_files::ReplaceFile(temporary, target)) return true;
  platform_files::DeleteFile(temporary);
  return false;
}

}  // namespace

bool WriteAtomically(const fs::path& target, std::string_view bytes) {
  if (!IsUsableTarget(target)) return false;
  CreateParentFolders(target);
  // A fresh random name per call: several instances (and hosts) may write
  // the same shared file at once, and each needs its own temporary file.
  const fs::path temporary = WithSuffix(target, ".tmp-" + std::to_string(platform_files::SecureRandom32()));
  return WriteThenReplace(temporary, target, bytes);
}

bool WriteViaPartialFile(const fs::path& target, std::string_view bytes, std::string& error) {
  if (IsUsableTarget(target)) {
    CreateParentFolders(target);
    if (WriteThenReplace(WithSuffix(target, ".partial"), target, bytes)) return true;
  }
  error = "could not write " + PathToUtf8(target);
  return false;
}

bool RemoveFile(const fs::path& path, std::string& error) {
  std::error_code ec;
  const bool isFolder = fs::is_directory(fs::symlink_status(path, ec));
  if (path.is_absolute() && !isFolder && platform_files::DeleteFile(path)) return true;
  error = "could not delete " + FileNameUtf8(path);
  return false;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  std::error_code ec;
  // Regular files only: a folder cannot be read, and a pipe could block.
  if (!path.is_absolute() || !fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  // One byte more than allowed tells an over-long file without reading it all.
  std::string bytes(kMaxWholeFileBytes + 1, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (file.bad()) return std::nullopt;
  const auto got = static_cast<size_t>(file.gcount());
  if (got > kMaxWholeFileBytes) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

FileListing ListFilesWithExtension(const fs::path& folder, std::string_view extension) {
  FileListing listing;
  std::error_code ec;
  if (!folder.is_absolute() || !fs::is_directory(folder, ec)) return listing;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    listing.error = "directory_iterator::directory_iterator: " + ec.message();
    return listing;
  }
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    std::error_code entryError;
    const std::string name = FileNameUtf8(it->path());
    if (FileExtension(name) == extension && it->is_regular_file(entryError)) listing.paths.push_back(it->path());
  }
  if (ec) {  // the walk failed midway: nothing partial is returned
    listing.paths.clear();
    listing.error = "directory_iterator::operator++: " + ec.message();
  }
  return listing;
}

std::string_view FileExtension(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return fileName.substr(dot);
}

std::string_view FileStem(std::string_view fileName) {
  return fileName.substr(0, fileName.size() - FileExtension(fileName).size());
}

bool FileSystemObjectExists(const fs::path& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  return fs::status_known(status) && status.type() != fs::file_type::not_found;
}

fs::path PathFromUtf8(std::string_view text) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string PathToUtf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string FileNameUtf8(const fs::path& path) { return PathToUtf8(path.filename()); }

}  // namespace relaycaster
