#include "framework/graphics/XcbConnection_linux.h"

#include <bit>
#include <cstdio>

namespace framework {
namespace {

constexpr uint64_t kErrorsPrinted = 20;  // per connection; the count goes on

const xcb_visualtype_t* FindVisual(const xcb_setup_t& setup, xcb_visualid_t visual, uint8_t depth) {
  for (auto screens = xcb_setup_roots_iterator(&setup); screens.rem; xcb_screen_next(&screens)) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem; xcb_depth_next(&depths)) {
      if (depths.data->depth != depth) continue;
      for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
        if (visuals.data->visual_id == visual) return visuals.data;
    }
  }
  return nullptr;
}

const xcb_format_t* FindPixmapFormat(const xcb_setup_t& setup, uint8_t depth) {
  for (auto formats = xcb_setup_pixmap_formats_iterator(&setup); formats.rem; xcb_format_next(&formats))
    if (formats.data->depth == depth) return formats.data;
  return nullptr;
}

}  // namespace

std::optional<std::string> VisualProblem(const xcb_setup_t& setup, xcb_visualid_t visual, uint8_t depth) {
  if (depth != 24 && depth != 32) return "depth " + std::to_string(depth) + " (24 or 32 needed)";
  const xcb_visualtype_t* type = FindVisual(setup, visual, depth);
  if (!type) return "visual not found among the screen's visuals";
  if (type->_class != XCB_VISUAL_CLASS_TRUE_COLOR) return "not a TrueColor visual";
  if (type->red_mask != 0xff0000u || type->green_mask != 0xff00u || type->blue_mask != 0xffu)
    return "colour masks are not 0xff0000, 0xff00, 0xff";
  const xcb_format_t* format = FindPixmapFormat(setup, depth);
  if (!format || format->bits_per_pixel != 32) return "pixels are not stored in 32 bits";
  const uint8_t ours = std::endian::native == std::endian::little ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
  if (setup.image_byte_order != ours) return "the server's image byte order differs from ours";
  return std::nullopt;
}

XcbConnection::XcbConnection() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);  // frees the error object xcb_connect always returns
    return;
  }
  mConnection = connection;
  InternAtoms();
}

XcbConnection::~XcbConnection() {
  if (!mConnection) return;
  // A round trip before closing: the server may drop requests it has not
  // read yet from a connection that ends (the focus given back, say).
  if (Connected()) std::free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
  xcb_disconnect(mConnection);
}

xcb_screen_t* XcbConnection::ScreenOfRoot(xcb_window_t root) const {
  for (auto screens = xcb_setup_roots_iterator(&Setup()); screens.rem; xcb_screen_next(&screens))
    if (screens.data->root == root) return screens.data;
  return nullptr;
}

size_t XcbConnection::MaxRequestBytes() const {
  // xcb_get_maximum_request_length enables BIG-REQUESTS when the server has it.
  return static_cast<size_t>(xcb_get_maximum_request_length(mConnection)) * 4;
}

void XcbConnection::InternAtoms() {
  struct Wanted {
    const char* name;
    xcb_atom_t* target;
  };
  const Wanted wanted[] = {
      {"CLIPBOARD", &mAtoms.clipboard},
      {"UTF8_STRING", &mAtoms.utf8String},
      {"TARGETS", &mAtoms.targets},
      {"INCR", &mAtoms.incr},
      {"RELAYCASTER_SELECTION", &mAtoms.pasteProperty},
      {"_NET_WM_WINDOW_TYPE", &mAtoms.windowType},
      {"_NET_WM_WINDOW_TYPE_POPUP_MENU", &mAtoms.windowTypeMenu},
  };
  // All requests first, then all replies: one round trip instead of seven.
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const Wanted& w : wanted)
    cookies.push_back(xcb_intern_atom(mConnection, 0, static_cast<uint16_t>(std::char_traits<char>::length(w.name)), w.name));
  for (size_t i = 0; i < cookies.size(); ++i) {
    XcbFree reply(xcb_intern_atom_reply(mConnection, cookies[i], nullptr));
    if (reply) *wanted[i].target = reply->atom;
  }
}

void XcbConnection::ReportError(const xcb_generic_error_t& error) {
  if (++mErrors > kErrorsPrinted) return;
  std::fprintf(stderr, "relaycaster: X error %u (request %u.%u, resource 0x%x, sequence %u)%s\n",
               unsigned(error.error_code), unsigned(error.major_code), unsigned(error.minor_code),
               unsigned(error.resource_id), unsigned(error.sequence),
               mErrors == kErrorsPrinted ? "; further X errors are counted, not printed" : "");
}

std::optional<std::string> XcbConnection::ReadProperty(xcb_window_t window, xcb_atom_t property, size_t maxBytes,
                                                       bool deleteAfter, xcb_atom_t* type) {
  const uint32_t longs = static_cast<uint32_t>((maxBytes + 3) / 4);
  xcb_generic_error_t* error = nullptr;
  XcbFree reply(xcb_get_property_reply(
      mConnection, xcb_get_property(mConnection, deleteAfter, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
      &error));
  std::free(error);
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  if (type) *type = reply->type;
  const int length = xcb_get_property_value_length(reply.p);
  const char* value = static_cast<const char*>(xcb_get_property_value(reply.p));
  if (length <= 0 || !value) return std::string();
  return std::string(value, std::min(static_cast<size_t>(length), maxBytes));
}

bool XcbConnection::Check(xcb_void_cookie_t cookie) {
  xcb_generic_error_t* error = xcb_request_check(mConnection, cookie);
  std::free(error);
  return error == nullptr;
}

}  // namespace framework
