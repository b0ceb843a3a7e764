#pragma once

// The user's screen scale as desktop settings publish it to X clients: the
// "Xft.dpi" resource in the root window's RESOURCE_MANAGER property
// (written by xrdb and by desktop settings daemons). Pure text handling,
// no connection: the property's text comes from the caller.
#include <optional>
#include <string_view>

#include "framework/graphics/PopupPlacement.h"  // ScreenScaleFromDpi

namespace framework {

/// The value of "Xft.dpi" in a resource database text (lines of
/// "name:<white space>value"; the last line of that name counts). Nothing
/// when it is absent, not a number, or outside 48..960 dpi.
std::optional<double> ParseXftDpi(std::string_view resources);

}  // namespace framework
