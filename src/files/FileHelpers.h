#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relaycaster {

/// The few file operations the presets and the update check use. Plain
/// functions without state or locks; any thread.
///
/// Paths must be absolute: a relative (or empty) path, which is what an
/// unknown data folder produces (DataFolders.h), is refused like any other
/// failure. Names shown to the user, error texts and file contents are
/// UTF-8; error texts are lower-case fragments that the caller places behind
/// a sentence of its own.

/// The largest file ReadWholeFile returns.
inline constexpr size_t kMaxWholeFileBytes = 65536;

/// Replaces the target's whole contents through a randomly named temporary
/// file beside it (name + ".tmp-" + a secure random 32-bit number), so that
/// concurrent writers never share a temporary file and a reader sees either
/// the old or the new complete file. Creates missing parent folders. True
/// when the target now holds exactly `bytes`; on failure the target keeps
/// its previous contents (or stays absent) and no temporary file remains.
bool WriteAtomically(const std::filesystem::path& target, std::string_view bytes);

/// Like WriteAtomically, through the fixed temporary name target +
/// ".partial". On failure returns false with error = "could not write " +
/// the target's full path; the ".partial" file never remains. On success
/// the error text is left untouched.
bool WriteViaPartialFile(const std::filesystem::path& target, std::string_view bytes, std::string& error);

/// Deletes a file (never a folder). True when it existed and is gone; else
/// false with error = "could not delete " + the file name alone.
bool RemoveFile(const std::filesystem::path& path, std::string& error);

/// A regular file's bytes (an empty file gives an empty string), or nothing
/// when it is missing, unreadable or longer than kMaxWholeFileBytes.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

/// The result of ListFilesWithExtension: the matching files' full paths in
/// the order the folder yields them, or an error text and no paths.
struct FileListing {
  std::vector<std::filesystem::path> paths;
  std::string error;  // empty on success
  bool failed() const { return !error.empty(); }
};

/// The regular files (following links) directly in `folder` whose extension
/// (see FileExtension) equals `extension` exactly, case included. A folder
/// that is missing or not a directory lists as empty. When walking the
/// folder fails midway, the listing fails as a whole with the error text
/// "directory_iterator::operator++: " + the system's explanation.
FileListing ListFilesWithExtension(const std::filesystem::path& folder, std::string_view extension);

/// The extension of a file name: the part from its last '.', or empty when
/// there is no '.' or the only one is the first character (".profile").
std::string_view FileExtension(std::string_view fileName);
/// The file name without its extension.
std::string_view FileStem(std::string_view fileName);

/// True when any file system object has this name, including a folder or a
/// link that points nowhere (links are not followed).
bool FileSystemObjectExists(const std::filesystem::path& path);

/// UTF-8 text to a path and back; the conversion is the same on every
/// platform (wide paths on Windows, bytes elsewhere).
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);
/// The last path component as UTF-8.
std::string FileNameUtf8(const std::filesystem::path& path);

}  // namespace relaycaster
