#pragma once

// One connection to the X server for one editor window: opened when the
// window is attached, closed when it goes. Hosts keep their own
// connections (often through Xlib, whose error handler may end the host's
// process); ours is separate, so a failing request of ours only shows up
// as an error event here, counted and printed, never as a host crash.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

/// The atoms the editor window uses, interned together at connection time.
struct XcbAtoms {
  xcb_atom_t clipboard = XCB_ATOM_NONE;
  xcb_atom_t utf8String = XCB_ATOM_NONE;
  xcb_atom_t targets = XCB_ATOM_NONE;
  xcb_atom_t incr = XCB_ATOM_NONE;
  xcb_atom_t pasteProperty = XCB_ATOM_NONE;  // where selections are delivered to us
  xcb_atom_t windowType = XCB_ATOM_NONE;     // _NET_WM_WINDOW_TYPE
  xcb_atom_t windowTypeMenu = XCB_ATOM_NONE; // _NET_WM_WINDOW_TYPE_POPUP_MENU
};

/// Why a visual cannot be drawn to, or nothing when it can. Our back
/// buffer is 32-bit ARGB in this machine's byte order, copied to the
/// window as it is: the visual must be TrueColor with red, green and blue
/// in the low three bytes (masks 0xff0000, 0xff00, 0xff), of depth 24 or
/// 32, stored in 32 bits per pixel, and the server must use our byte order.
std::optional<std::string> VisualProblem(const xcb_setup_t& setup, xcb_visualid_t visual, uint8_t depth);

class XcbConnection {
 public:
  /// Connects to $DISPLAY; Connected() tells whether that worked.
  XcbConnection();
  ~XcbConnection();
  XcbConnection(const XcbConnection&) = delete;
  XcbConnection& operator=(const XcbConnection&) = delete;

  bool Connected() const { return mConnection != nullptr && !xcb_connection_has_error(mConnection); }
  xcb_connection_t* get() const { return mConnection; }
  int FileDescriptor() const { return mConnection ? xcb_get_file_descriptor(mConnection) : -1; }
  const xcb_setup_t& Setup() const { return *xcb_get_setup(mConnection); }
  /// The screen whose root is `root`, or nullptr.
  xcb_screen_t* ScreenOfRoot(xcb_window_t root) const;
  const XcbAtoms& Atoms() const { return mAtoms; }
  /// The largest request the server takes, in bytes.
  size_t MaxRequestBytes() const;

  /// Counts an error event and prints the first few, so that a failing
  /// request shows in the host's log instead of passing silently.
  void ReportError(const xcb_generic_error_t& error);
  uint64_t ErrorCount() const { return mErrors; }

  /// The text of a property (RESOURCE_MANAGER, a selection), up to
  /// `maxBytes`; nothing when it is missing or the request failed.
  std::optional<std::string> ReadProperty(xcb_window_t window, xcb_atom_t property, size_t maxBytes,
                                          bool deleteAfter = false, xcb_atom_t* type = nullptr);
  /// Runs a request made with a _checked call and swallows its error:
  /// for requests on windows of the host's that may be gone by now.
  bool Check(xcb_void_cookie_t cookie);

 private:
  void InternAtoms();

  xcb_connection_t* mConnection = nullptr;
  XcbAtoms mAtoms;
  uint64_t mErrors = 0;
};

/// Frees an xcb reply or event when it goes out of scope.
template <class T>
struct XcbFree {
  T* p;
  explicit XcbFree(T* pointer) : p(pointer) {}
  ~XcbFree() { std::free(p); }
  XcbFree(const XcbFree&) = delete;
  XcbFree& operator=(const XcbFree&) = delete;
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

}  // namespace framework
