#pragma once

#include <filesystem>

namespace relaycaster {

/// The per-user folders that hold the plug-in's own files.
///
/// Each function returns an empty path when the user's local
/// application-data folder cannot be determined. Every file helper
/// (FileHelpers.h) refuses a path that is not absolute, so an unknown data
/// folder makes preset and update-check file operations fail with their
/// usual error texts instead of writing into whatever folder the host
/// process happens to run in.
///
/// Threads: any; nothing is cached.

/// The per-user local application-data folder (platform-specific, see
/// DataFolders_linux.cpp), or an empty path.
std::filesystem::path LocalAppDataFolder();

/// <local data folder>/Relaycaster/Presets. Computed afresh for every preset
/// operation and not created here: the first preset save creates it.
std::filesystem::path PresetsFolder();

/// <local data folder>/Brightwold/Shared: the folder every Brightwold
/// plug-in shares for the update cache and the "updates-off" marker. The
/// sub-folder name is fixed for all of the maker's products.
std::filesystem::path SharedDataFolder();

}  // namespace relaycaster
