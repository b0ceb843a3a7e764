#pragma once

// Copies rectangles of the back buffer to a window with PutImage. The
// server takes requests up to a maximum length, so a large rectangle goes
// as several bands of whole rows.
#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

/// `rect` cut into bands of whole rows whose PutImage requests (24 bytes of
/// header and 4 bytes a pixel) each fit in `maxRequestBytes`; a row too
/// long for one request is cut into pieces. Empty for an empty rectangle
/// or a limit too small for a single pixel.
std::vector<PixelRect> SplitForPutImage(const PixelRect& rect, size_t maxRequestBytes);

/// `rect` limited to a buffer of `width` × `height`; w or h 0 when nothing is left.
PixelRect ClipToBuffer(const PixelRect& rect, int width, int height);

class XcbImagePresenter {
 public:
  /// Sends the rectangles of `pixels` to `drawable` at the same positions.
  /// Unflushed: the caller flushes once after a frame.
  void Present(xcb_connection_t* connection, xcb_drawable_t drawable, xcb_gcontext_t gc, uint8_t depth,
               size_t maxRequestBytes, const PixelBuffer& pixels, const std::vector<PixelRect>& rects);

 private:
  std::vector<uint8_t> mRows;  // one band's rows packed tightly, reused from frame to frame
};

}  // namespace framework
