#include "framework/graphics/XKeyboard_linux.h"

// xcb's XKB header names a member "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <cstdlib>

namespace framework {
namespace {

// The keymap parts and state parts whose changes we follow.
constexpr uint16_t kMapParts =
    XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
    XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
    XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
constexpr uint16_t kStateParts =
    XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH | XCB_XKB_STATE_PART_MODIFIER_LOCK |
    XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;

// The locale whose compose table applies, as the C library would choose it.
const char* UserLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "C";
}

// A plug-in has no say over the host's log: xkbcommon's complaints (a
// locale without a compose table is common) stay quiet; what fails shows
// as keys that type less.
xkb_context* NewContext() {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (context) xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
  return context;
}

Key NamedKey(xkb_keysym_t keysym) {
  switch (keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
    case XKB_KEY_ISO_Enter:
      return Key::Return;
    case XKB_KEY_Escape:
      return Key::Escape;
    case XKB_KEY_Tab:
    case XKB_KEY_ISO_Left_Tab:
    case XKB_KEY_KP_Tab:
      return Key::Tab;
    case XKB_KEY_BackSpace:
      return Key::Backspace;
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete:
      return Key::Delete;
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left:
      return Key::Left;
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right:
      return Key::Right;
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up:
      return Key::Up;
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down:
      return Key::Down;
    case XKB_KEY_Home:
    case XKB_KEY_KP_Home:
      return Key::Home;
    case XKB_KEY_End:
    case XKB_KEY_KP_End:
      return Key::End;
    default:
      return Key::None;
  }
}

// Text that types something: not empty and not a control character.
bool Printable(std::string_view text) {
  if (text.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(text.front());
  return !(text.size() == 1 && (first < 0x20 || first == 0x7f));
}

}  // namespace

KeyPress MakeKeyPress(xkb_keysym_t keysym, std::string_view text, std::string_view unshifted, bool shift, bool ctrl,
                      bool alt) {
  KeyPress press;
  press.shift = shift;
  press.ctrl = ctrl;
  press.alt = alt;
  press.key = NamedKey(keysym);
  if (press.key != Key::None) return press;
  // With Control, xkbcommon gives control characters; shortcuts want the
  // letter on the key, whatever Shift or Caps Lock would make of it.
  const std::string_view typed = ctrl ? unshifted : text;
  if (!Printable(typed)) return press;
  press.key = Key::Character;
  press.text = std::string(typed);
  return press;
}

XKeyboard::XKeyboard(xcb_connection_t* connection) : mConnection(connection) {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint8_t errorBase = 0;
  if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, &major, &minor, &mEventBase, &errorBase))
    return;
  mContext = NewContext();
  mDeviceId = xkb_x11_get_core_keyboard_device_id(connection);
  if (!mContext || mDeviceId < 0 || !ReadKeymapFromServer()) return;

  xcb_xkb_select_events_details_t details{};
  details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
  details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
  details.affectState = kStateParts;
  details.stateDetails = kStateParts;
  const uint16_t events =
      XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
  xcb_xkb_select_events_aux(connection, static_cast<xcb_xkb_device_spec_t>(mDeviceId), events, 0, 0, kMapParts,
                            kMapParts, &details);
  SetUpCompose(UserLocale());
}

XKeyboard::XKeyboard(const char* layout, const char* variant, const char* locale) {
  mContext = NewContext();
  if (!mContext) return;
  const xkb_rule_names names{nullptr, nullptr, layout, variant, nullptr};
  mKeymap = xkb_keymap_new_from_names(mContext, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (mKeymap) mState = xkb_state_new(mKeymap);
  SetUpCompose(locale);
}

XKeyboard::~XKeyboard() {
  xkb_compose_state_unref(mCompose);
  xkb_compose_table_unref(mComposeTable);
  xkb_state_unref(mState);
  xkb_keymap_unref(mKeymap);
  xkb_context_unref(mContext);
}

bool XKeyboard::ReadKeymapFromServer() {
  xkb_keymap* keymap = xkb_x11_keymap_new_from_device(mContext, mConnection, mDeviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (!keymap) return false;
  xkb_state* state = xkb_x11_state_new_from_device(keymap, mConnection, mDeviceId);
  if (!state) {
    xkb_keymap_unref(keymap);
    return false;
  }
  xkb_state_unref(mState);
  xkb_keymap_unref(mKeymap);
  mKeymap = keymap;
  mState = state;
  return true;
}

void XKeyboard::SetUpCompose(const char* locale) {
  // Without a compose table (an unknown locale) dead keys type nothing,
  // and every other key still works.
  mComposeTable = xkb_compose_table_new_from_locale(mContext, locale, XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (mComposeTable) mCompose = xkb_compose_state_new(mComposeTable, XKB_COMPOSE_STATE_NO_FLAGS);
}

void XKeyboard::OnXkbEvent(const xcb_generic_event_t& event) {
  if (!mState) return;
  // All XKB events share one event code and tell their kind in the second byte.
  const uint8_t kind = reinterpret_cast<const uint8_t*>(&event)[1];
  switch (kind) {
    case XCB_XKB_STATE_NOTIFY: {
      const auto& state = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event);
      if (state.deviceID != mDeviceId) return;
      xkb_state_update_mask(mState, state.baseMods, state.latchedMods, state.lockedMods,
                            static_cast<xkb_layout_index_t>(state.baseGroup),
                            static_cast<xkb_layout_index_t>(state.latchedGroup), state.lockedGroup);
      return;
    }
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY:
      ReadKeymapFromServer();  // keeps the old keymap if the new one cannot be read
      return;
    default:
      return;
  }
}

void XKeyboard::UpdateKey(xcb_keycode_t keycode, bool down) {
  if (mState) xkb_state_update_key(mState, keycode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
}

std::string_view XKeyboard::UnshiftedText(xcb_keycode_t keycode, char (&buffer)[64]) const {
  const xkb_layout_index_t layout = xkb_state_key_get_layout(mState, keycode);
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(mKeymap, keycode, layout, 0, &syms);
  if (count != 1 || !syms) return {};
  const int length = xkb_keysym_to_utf8(syms[0], buffer, sizeof buffer);
  return length > 1 ? std::string_view(buffer, static_cast<size_t>(length - 1)) : std::string_view();
}

KeyPress XKeyboard::Translate(xcb_keycode_t keycode) {
  if (!mState) return {};
  xkb_keysym_t keysym = xkb_state_key_get_one_sym(mState, keycode);
  const bool shift = xkb_state_mod_name_is_active(mState, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0;
  const bool ctrl = xkb_state_mod_name_is_active(mState, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
  const bool alt = xkb_state_mod_name_is_active(mState, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;

  char text[64] = {};
  int length = 0;
  if (mCompose && !ctrl && xkb_compose_state_feed(mCompose, keysym) == XKB_COMPOSE_FEED_ACCEPTED) {
    switch (xkb_compose_state_get_status(mCompose)) {
      case XKB_COMPOSE_COMPOSING:
        return {};  // a dead key or the start of a sequence: wait for the rest
      case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(mCompose);
        return {};
      case XKB_COMPOSE_COMPOSED:
        keysym = xkb_compose_state_get_one_sym(mCompose);
        length = xkb_compose_state_get_utf8(mCompose, text, sizeof text);
        xkb_compose_state_reset(mCompose);
        break;
      case XKB_COMPOSE_NOTHING:
        break;
    }
  }
  if (length == 0) length = xkb_state_key_get_utf8(mState, keycode, text, sizeof text);
  if (length < 0 || static_cast<size_t>(length) >= sizeof text) length = 0;
  char unshifted[64] = {};
  return MakeKeyPress(keysym, std::string_view(text, static_cast<size_t>(length)), UnshiftedText(keycode, unshifted),
                      shift, ctrl, alt);
}

}  // namespace framework
