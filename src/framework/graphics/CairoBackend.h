#pragma once

#include <string>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

/// Writes a back buffer as a PNG file (snapshots, test pictures).
bool WritePng(const PixelBuffer& pixels, const std::string& path);

}  // namespace framework
