#pragma once

// A real Cairo back end with the bundle's two fonts, for pixel probes at
// design coordinates × scale.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/DrawingBackend.h"

namespace graphicstest {

inline std::vector<uint8_t> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// A surface of design size `width` × `height` at `scale`, or nullptr.
inline std::unique_ptr<framework::DrawingBackend> CairoSurface(float width, float height, float scale) {
  auto g = framework::MakeCairoBackend();
  if (!g->SetSurface(static_cast<int>(width * scale + 0.999f), static_cast<int>(height * scale + 0.999f), scale))
    return nullptr;
  g->LoadFont("Roboto-Regular", ReadFile(RELAYCASTER_TEST_FONT_REGULAR));
  g->LoadFont("RobotoCondensed-Bold", ReadFile(RELAYCASTER_TEST_FONT_BOLD));
  return g;
}

/// The colour at a design point.
inline framework::IColor PixelAt(framework::DrawingBackend& g, float x, float y) {
  return g.Pixels().At(static_cast<int>(x * g.Scale()), static_cast<int>(y * g.Scale()));
}

inline bool Near(const framework::IColor& a, const framework::IColor& b, int tolerance = 3) {
  return std::abs(a.A - b.A) <= tolerance && std::abs(a.R - b.R) <= tolerance && std::abs(a.G - b.G) <= tolerance &&
         std::abs(a.B - b.B) <= tolerance;
}

inline std::string Describe(const framework::IColor& c) {
  char text[48];
  std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", c.A, c.R, c.G, c.B);
  return text;
}

}  // namespace graphicstest
