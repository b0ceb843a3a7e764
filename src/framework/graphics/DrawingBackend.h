#pragma once

// The drawing interface between the toolkit and a graphics library. The
// toolkit draws only through it; one implementation draws with Cairo into
// an image surface (CairoBackend.cpp), which the platform window presents
// or a test reads back. Nothing here knows a window system.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/graphics/IGraphicsTypes.h"
#include "framework/graphics/SvgPicture.h"

namespace framework {

/// Coordinates are design units; the back end multiplies them by the scale
/// given with the surface. Angles are degrees clockwise from twelve
/// o'clock. `opacity` multiplies the colour's alpha.
///
/// Threads: one thread at a time (the editor's).
class DrawingBackend {
 public:
  virtual ~DrawingBackend() = default;

  /// A new transparent surface of `width` × `height` pixels on which one
  /// design unit is `scale` pixels and the design origin lies at pixel
  /// (originX, originY). False when it cannot be made.
  virtual bool SetSurface(int width, int height, float scale, float originX = 0.f, float originY = 0.f) = 0;
  virtual PixelBuffer Pixels() = 0;
  virtual float Scale() const = 0;

  /// Limits drawing to a rectangle until the matching PopClip; nested clips intersect.
  virtual void PushClip(const IRECT& r) = 0;
  virtual void PopClip() = 0;

  virtual void FillRect(const IColor& c, const IRECT& r, float opacity) = 0;
  virtual void FillRoundRect(const IColor& c, const IRECT& r, float radius, float opacity) = 0;
  virtual void DrawRoundRect(const IColor& c, const IRECT& r, float radius, float thickness, float opacity) = 0;
  virtual void FillEllipse(const IColor& c, const IRECT& r, float opacity) = 0;
  virtual void DrawArc(const IColor& c, float cx, float cy, float radius, float startDeg, float endDeg,
                       float thickness, float opacity) = 0;
  virtual void DrawLine(const IColor& c, float x1, float y1, float x2, float y2, float thickness, float opacity) = 0;
  virtual void FillTriangle(const IColor& c, float x1, float y1, float x2, float y2, float x3, float y3,
                            float opacity) = 0;

  /// Makes a font (TrueType or OpenType bytes) available under `id`.
  virtual bool LoadFont(const std::string& id, std::vector<uint8_t> bytes) = 0;
  /// Draws one line of UTF-8 text aligned in `r` as the style says. A font
  /// id never loaded falls back to another face; invalid UTF-8 never crashes.
  virtual void DrawText(const TextStyle& style, std::string_view text, const IRECT& r, float opacity) = 0;
  /// The rectangle the text would occupy when drawn in `r`; its width is
  /// the text's advance, the same at every scale.
  virtual IRECT MeasureText(const TextStyle& style, std::string_view text, const IRECT& r) = 0;

  /// Draws the picture's view box into `dest`, keeping its aspect ratio, centred.
  virtual void DrawSvg(const SvgPicture& picture, const IRECT& dest, float opacity) = 0;
};

std::unique_ptr<DrawingBackend> MakeCairoBackend();

}  // namespace framework
