#include "framework/graphics/XcbImage_linux.h"

#include <algorithm>
#include <cstring>

namespace framework {
namespace {

constexpr size_t kPutImageHeader = 24;
constexpr size_t kBytesPerPixel = 4;

}  // namespace

PixelRect ClipToBuffer(const PixelRect& rect, int width, int height) {
  const int left = std::max(rect.x, 0);
  const int top = std::max(rect.y, 0);
  const int right = std::min(rect.x + std::max(rect.w, 0), width);
  const int bottom = std::min(rect.y + std::max(rect.h, 0), height);
  if (right <= left || bottom <= top) return {left, top, 0, 0};
  return {left, top, right - left, bottom - top};
}

std::vector<PixelRect> SplitForPutImage(const PixelRect& rect, size_t maxRequestBytes) {
  std::vector<PixelRect> bands;
  if (rect.w <= 0 || rect.h <= 0 || maxRequestBytes < kPutImageHeader + kBytesPerPixel) return bands;
  const size_t pixelsPerRequest = (maxRequestBytes - kPutImageHeader) / kBytesPerPixel;
  const size_t rowPixels = static_cast<size_t>(rect.w);
  if (rowPixels <= pixelsPerRequest) {
    const int rowsPerBand = static_cast<int>(std::min<size_t>(pixelsPerRequest / rowPixels, static_cast<size_t>(rect.h)));
    for (int y = 0; y < rect.h; y += rowsPerBand)
      bands.push_back({rect.x, rect.y + y, rect.w, std::min(rowsPerBand, rect.h - y)});
    return bands;
  }
  const int piece = static_cast<int>(pixelsPerRequest);
  for (int y = 0; y < rect.h; ++y)
    for (int x = 0; x < rect.w; x += piece) bands.push_back({rect.x + x, rect.y + y, std::min(piece, rect.w - x), 1});
  return bands;
}

void XcbImagePresenter::Present(xcb_connection_t* connection, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                uint8_t depth, size_t maxRequestBytes, const PixelBuffer& pixels,
                                const std::vector<PixelRect>& rects) {
  if (!pixels.data || pixels.width <= 0 || pixels.height <= 0) return;
  for (const PixelRect& wanted : rects) {
    const PixelRect rect = ClipToBuffer(wanted, pixels.width, pixels.height);
    for (const PixelRect& band : SplitForPutImage(rect, maxRequestBytes)) {
      const size_t rowBytes = static_cast<size_t>(band.w) * kBytesPerPixel;
      mRows.resize(rowBytes * static_cast<size_t>(band.h));
      for (int row = 0; row < band.h; ++row) {
        const uint8_t* source = pixels.data + static_cast<size_t>(band.y + row) * static_cast<size_t>(pixels.stride) +
                                static_cast<size_t>(band.x) * kBytesPerPixel;
        std::memcpy(mRows.data() + static_cast<size_t>(row) * rowBytes, source, rowBytes);
      }
      xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, static_cast<uint16_t>(band.w),
                    static_cast<uint16_t>(band.h), static_cast<int16_t>(band.x), static_cast<int16_t>(band.y), 0,
                    depth, static_cast<uint32_t>(mRows.size()), mRows.data());
    }
  }
}

}  // namespace framework
