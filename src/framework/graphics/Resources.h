#pragma once

#include <filesystem>

#include "framework/graphics/IGraphics.h"

namespace framework {

/// Reads resources as files named after them in a folder (types are not
/// used: the file name says what it holds). Files over 16 MiB are refused.
ResourceLoader ResourceFolderLoader(std::filesystem::path folder);

/// The plug-in module's own resources: on Linux the files in the bundle's
/// Contents/Resources folder beside the module's architecture folder; on
/// Windows the module's Win32 resources (upper-case name, type, language 1033).
ResourceLoader ModuleResourceLoader();

}  // namespace framework
