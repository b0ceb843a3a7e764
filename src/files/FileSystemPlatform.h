#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

// The platform's side of the file helpers (FileHelpers_<platform>.cpp).
// Logic stays in FileHelpers.cpp; these are the few calls whose guarantees
// differ by operating system.
namespace relaycaster::platform_files {

/// Creates or truncates the file, writes every byte and flushes the bytes
/// to the disk before returning, so a later rename can never expose a
/// half-written file, even after a crash or power loss. On failure the
/// file this call created or truncated is deleted again.
bool WriteAndFlush(const std::filesystem::path& path, std::string_view bytes);

/// Puts `source` in place of `target` in one step: a reader of `target`
/// sees either its previous or its new whole contents. Fails when the
/// target is a folder.
bool ReplaceFile(const std::filesystem::path& source, const std::filesystem::path& target);

/// Deletes a file or a link; never a folder.
bool DeleteFile(const std::filesystem::path& path);

/// A fresh draw from the system's secure random source.
uint32_t SecureRandom32();

}  // namespace relaycaster::platform_files
