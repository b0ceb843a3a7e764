// The window's pure helpers: request splitting, popup placement, the
// desktop's dpi, and which addresses reach the browser.
#include <gtest/gtest.h>

#include "framework/graphics/UrlOpener_linux.h"
#include "framework/graphics/XPopupWindow_linux.h"
#include "framework/graphics/XResources_linux.h"
#include "framework/graphics/XcbImage_linux.h"

namespace {

using framework::PixelRect;

int64_t Area(const std::vector<PixelRect>& rects) {
  int64_t area = 0;
  for (const PixelRect& r : rects) area += int64_t{r.w} * r.h;
  return area;
}

TEST(SplitForPutImage, BandsOfWholeRowsFitTheLimitAndCoverTheRectangle) {
  const PixelRect rect{10, 20, 880, 562};
  const size_t limit = 262144;  // the core protocol's limit without BIG-REQUESTS
  const std::vector<PixelRect> bands = framework::SplitForPutImage(rect, limit);
  ASSERT_FALSE(bands.empty());
  int nextRow = rect.y;
  for (const PixelRect& band : bands) {
    EXPECT_EQ(band.x, rect.x);
    EXPECT_EQ(band.w, rect.w);
    EXPECT_EQ(band.y, nextRow);
    EXPECT_LE(24 + size_t(band.w) * band.h * 4, limit);
    nextRow += band.h;
  }
  EXPECT_EQ(nextRow, rect.y + rect.h);
  EXPECT_EQ(framework::SplitForPutImage(rect, 64 << 20).size(), 1u);
}

TEST(SplitForPutImage, RowsLongerThanARequestArePiecedAndDegenerateInputGivesNothing) {
  const std::vector<PixelRect> pieces = framework::SplitForPutImage({0, 0, 100, 3}, 24 + 4 * 30);
  EXPECT_EQ(pieces.size(), 12u);  // 4 pieces per row
  EXPECT_EQ(Area(pieces), 300);
  EXPECT_EQ(pieces.back(), (PixelRect{90, 2, 10, 1}));
  EXPECT_TRUE(framework::SplitForPutImage({0, 0, 0, 10}, 1 << 20).empty());
  EXPECT_TRUE(framework::SplitForPutImage({0, 0, -5, 10}, 1 << 20).empty());
  EXPECT_TRUE(framework::SplitForPutImage({0, 0, 5, 5}, 27).empty());
}

TEST(ClipToBuffer, KeepsOnlyThePartInsideTheBuffer) {
  EXPECT_EQ(framework::ClipToBuffer({-5, -5, 20, 20}, 10, 10), (PixelRect{0, 0, 10, 10}));
  EXPECT_EQ(framework::ClipToBuffer({2, 3, 4, 5}, 10, 10), (PixelRect{2, 3, 4, 5}));
  EXPECT_EQ(framework::ClipToBuffer({12, 3, 4, 5}, 10, 10).w, 0);
  EXPECT_EQ(framework::ClipToBuffer({2, 3, 4, -5}, 10, 10).h, 0);
}

TEST(PlacePopup, UnderTheAnchorAboveWhenNoRoomAndAlwaysOnTheScreen) {
  const PixelRect anchor{100, 200, 50, 20};
  EXPECT_EQ(framework::PlacePopup(anchor, 160, 300, 1920, 1080), (PixelRect{100, 220, 160, 300}));
  // Near the bottom: flipped above the anchor.
  EXPECT_EQ(framework::PlacePopup({100, 900, 50, 20}, 160, 300, 1920, 1080), (PixelRect{100, 600, 160, 300}));
  // No room above either: as low as the screen allows.
  EXPECT_EQ(framework::PlacePopup({100, 200, 50, 20}, 160, 1000, 1920, 1080), (PixelRect{100, 80, 160, 1000}));
  // Past the right edge and left of the screen.
  EXPECT_EQ(framework::PlacePopup({1850, 10, 50, 20}, 160, 100, 1920, 1080).x, 1760);
  EXPECT_EQ(framework::PlacePopup({-40, 10, 50, 20}, 160, 100, 1920, 1080).x, 0);
  // Larger than the screen: the top-left corner stays on it.
  const PixelRect huge = framework::PlacePopup({500, 500, 10, 10}, 3000, 3000, 1920, 1080);
  EXPECT_EQ(huge.x, 0);
  EXPECT_EQ(huge.y, 0);
}

TEST(ParseXftDpi, ReadsTheResourceAmongOthers) {
  EXPECT_EQ(framework::ParseXftDpi("Xft.dpi:\t144\n"), 144.0);
  EXPECT_EQ(framework::ParseXftDpi("Xcursor.theme:\tAdwaita\nXft.dpi: 192\nXft.hinting:\t1\n"), 192.0);
  EXPECT_EQ(framework::ParseXftDpi("Xft.dpi:96"), 96.0);  // no newline at the end
  EXPECT_EQ(framework::ParseXftDpi("Xft.dpi:\t96\r\nXft.dpi:\t120.5\n"), 120.5);  // the later one counts
  EXPECT_DOUBLE_EQ(framework::ScreenScaleFromDpi(144.0), 1.5);
}

TEST(ParseXftDpi, GarbageAndOutOfRangeValuesGiveNothing) {
  for (const char* text : {"", "\n\n", "Xft.dpi", "Xft.dpi:", "Xft.dpi:\tabc\n", "Xft.dpi: 96 dpi\n", "Xft.dpi: 0\n",
                           "Xft.dpi: -96\n", "Xft.dpi: 47\n", "Xft.dpi: 961\n", "Xft.dpi: 1e400\n", "Xft.dpi: nan\n",
                           "xft.dpi: 96\n", "Xft.dpix: 96\n", "*dpi: 96\n"})
    EXPECT_FALSE(framework::ParseXftDpi(text).has_value()) << text;
  // A broken later value leaves a good earlier one.
  EXPECT_EQ(framework::ParseXftDpi("Xft.dpi: 144\nXft.dpi: junk\n"), 144.0);
}

TEST(IsBrowserAddress, OnlyHttpAndHttpsWithoutBlanksOrControls) {
  for (const char* url : {"https://example.com", "http://example.com/a?b=c#d", "HTTPS://EXAMPLE.COM"})
    EXPECT_TRUE(framework::IsBrowserAddress(url)) << url;
  for (const char* url : {"", "https://", "ftp://example.com", "file:///etc/passwd", "javascript:alert(1)",
                          "https://exa mple.com", "https://example.com\n--help", "-https://example.com",
                          "https://example.com\t", " https://example.com"})
    EXPECT_FALSE(framework::IsBrowserAddress(url)) << url;
  EXPECT_FALSE(framework::IsBrowserAddress(std::string("https://a") + std::string(9000, 'b')));
  EXPECT_FALSE(framework::OpenInBrowser("ftp://example.com"));  // refused before anything starts
}

}  // namespace
