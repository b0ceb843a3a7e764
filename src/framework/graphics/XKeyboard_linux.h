#pragma once

// Key presses translated with the user's own keyboard: the keymap the X
// server holds for the core keyboard (read through xkbcommon-x11, and read
// again when it changes), the server's modifier and group state as XKB
// reports it, and the compose table of the user's locale, so that dead
// keys and compose sequences type what they type in every other program.
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string_view>

#include "framework/graphics/IGraphicsTypes.h"

struct xkb_compose_table;
struct xkb_compose_state;

namespace framework {

/// What the toolkit makes of one key press, from what xkbcommon says of it:
/// the keysym, the text it types, the text of the key's first level (what
/// it types unshifted, for Ctrl shortcuts) and the modifiers. Key::None for
/// a key the toolkit has no use for (a modifier on its own, a function key).
KeyPress MakeKeyPress(xkb_keysym_t keysym, std::string_view text, std::string_view unshifted, bool shift, bool ctrl,
                      bool alt);

/// Threads: the window's thread.
class XKeyboard {
 public:
  /// Sets up the XKB extension on `connection` and reads the core
  /// keyboard's keymap and state. Ready() is false when that failed.
  explicit XKeyboard(xcb_connection_t* connection);
  /// A keymap made from rule names, with no server: for tests, which
  /// then drive the state with UpdateKey.
  XKeyboard(const char* layout, const char* variant, const char* locale);
  ~XKeyboard();
  XKeyboard(const XKeyboard&) = delete;
  XKeyboard& operator=(const XKeyboard&) = delete;

  bool Ready() const { return mState != nullptr; }
  /// The first event code of the XKB extension (its events share it).
  uint8_t EventBase() const { return mEventBase; }
  /// An event with the XKB event code: follows state and keymap changes.
  void OnXkbEvent(const xcb_generic_event_t& event);

  /// The press of a key, after the state of the server (or UpdateKey)
  /// has been applied. Feeds the compose state: a dead key gives Key::None
  /// and the key after it the composed character.
  KeyPress Translate(xcb_keycode_t keycode);
  /// Serverless state changes (tests): the key goes down or up.
  void UpdateKey(xcb_keycode_t keycode, bool down);

 private:
  bool ReadKeymapFromServer();
  void SetUpCompose(const char* locale);
  std::string_view UnshiftedText(xcb_keycode_t keycode, char (&buffer)[64]) const;

  xcb_connection_t* mConnection = nullptr;
  int32_t mDeviceId = -1;
  uint8_t mEventBase = 0;
  xkb_context* mContext = nullptr;
  xkb_keymap* mKeymap = nullptr;
  xkb_state* mState = nullptr;
  xkb_compose_table* mComposeTable = nullptr;
  xkb_compose_state* mCompose = nullptr;
};

}  // namespace framework
