#include "framework/graphics/GdiHelpers_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "framework/WideText_win.h"

namespace framework {
namespace {

constexpr int kDefaultDpi = 96;

}  // namespace

UINT DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  // Windows 10 1607 and later; looked up so that the module loads on older systems.
  static const auto getDpiForWindow = [] {
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    return reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(proc));
  }();
  if (getDpiForWindow && window)
    if (const UINT dpi = getDpiForWindow(window); dpi > 0) return dpi;
  HDC dc = GetDC(window);
  if (!dc) return kDefaultDpi;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(window, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

// Each rectangle goes as a top-down bitmap of its own rows, copied whole,
// so no convention about the source's origin is involved.
void Blit(HDC dc, const PixelBuffer& pixels, const std::vector<PixelRect>& rects) {
  if (!pixels.data || pixels.stride < pixels.width * 4) return;
  for (const PixelRect& rect : rects) {
    const int left = std::max(rect.x, 0);
    const int top = std::max(rect.y, 0);
    const int right = std::min(rect.x + rect.w, pixels.width);
    const int bottom = std::min(rect.y + rect.h, pixels.height);
    if (right <= left || bottom <= top) continue;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.stride / 4;
    info.bmiHeader.biHeight = -(bottom - top);  // negative: top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const uint8_t* rows = pixels.data + static_cast<size_t>(top) * static_cast<size_t>(pixels.stride);
    SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(right - left), static_cast<DWORD>(bottom - top), left, 0, 0,
                      static_cast<UINT>(bottom - top), rows, &info, DIB_RGB_COLORS);
  }
}

void BlitTo(HWND window, const PixelBuffer& pixels, const std::vector<PixelRect>& rects) {
  HDC dc = GetDC(window);
  if (!dc) return;
  Blit(dc, pixels, rects);
  ReleaseDC(window, dc);
}

std::optional<std::string> ReadClipboardText(HWND owner) {
  if (!OpenClipboard(owner)) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      // Bounded by the memory's size: the terminator may be missing.
      const size_t units = wcsnlen(wide, GlobalSize(data) / sizeof(wchar_t));
      text = Utf8FromWide(std::wstring_view(wide, units));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool WriteClipboardText(HWND owner, const std::string& utf8) {
  const std::wstring wide = WideFromUtf8(utf8);
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(target, wide.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  // On success the clipboard owns the memory.
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!placed) GlobalFree(memory);
  CloseClipboard();
  return placed;
}

}  // namespace framework
