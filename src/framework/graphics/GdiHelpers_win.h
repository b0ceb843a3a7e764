#pragma once

// What the Windows editor window needs of GDI and the clipboard, apart from
// its messages: the window's DPI, the back buffer copied to a device
// context, and Unicode text to and from the clipboard. Only the _win files
// include this.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

/// The window's DPI: GetDpiForWindow where the system has it (looked up at
/// run time), else the DPI of its device context; 96 when neither answers.
UINT DpiOf(HWND window);

/// Copies rectangles of a back buffer (Cairo's ARGB32, which is Windows'
/// 32-bit BGRX in memory) into a device context at the same coordinates;
/// rectangles are clipped to the buffer.
void Blit(HDC dc, const PixelBuffer& pixels, const std::vector<PixelRect>& rects);
/// The same through the window's own device context, released again.
void BlitTo(HWND window, const PixelBuffer& pixels, const std::vector<PixelRect>& rects);

/// The clipboard's Unicode text as UTF-8; nothing when it holds no text or
/// another program has it open.
std::optional<std::string> ReadClipboardText(HWND owner);
/// Puts UTF-8 text on the clipboard as Unicode text; false when it cannot.
bool WriteClipboardText(HWND owner, const std::string& utf8);

}  // namespace framework
