#include "framework/graphics/XClipboard_linux.h"

#include <cstring>

namespace framework {
namespace {

// STRING selections are Latin-1 by the rules of the protocol.
std::string Latin1ToUtf8(const std::string& latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (const char c : latin1) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xc0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3f));
    }
  }
  return utf8;
}

}  // namespace

xcb_atom_t XClipboard::SelectionAtom(ClipboardKind kind) const {
  return kind == ClipboardKind::Primary ? xcb_atom_t{XCB_ATOM_PRIMARY} : mX.Atoms().clipboard;
}

std::optional<std::string>* XClipboard::OwnedText(xcb_atom_t selection) {
  if (selection == XCB_ATOM_PRIMARY) return &mPrimary;
  if (selection == mX.Atoms().clipboard) return &mClipboard;
  return nullptr;
}

void XClipboard::SetText(ClipboardKind kind, const std::string& utf8, xcb_timestamp_t time) {
  if (utf8.size() > kMaxText) return;
  *OwnedText(SelectionAtom(kind)) = utf8;
  xcb_set_selection_owner(mX.get(), mWindow, SelectionAtom(kind), time);
}

void XClipboard::RequestPaste(ClipboardKind kind, xcb_timestamp_t time, uint32_t nowMs) {
  const xcb_atom_t selection = SelectionAtom(kind);
  // Our own selection needs no trip through the server.
  if (const std::optional<std::string>& own = *OwnedText(selection)) {
    mPending.reset();
    mOnPaste(*own);
    return;
  }
  mPending = PendingPaste{selection, mX.Atoms().utf8String, nowMs};
  xcb_delete_property(mX.get(), mWindow, mX.Atoms().pasteProperty);
  xcb_convert_selection(mX.get(), mWindow, selection, mX.Atoms().utf8String, mX.Atoms().pasteProperty, time);
}

void XClipboard::CheckTimeout(uint32_t nowMs) {
  if (mPending && nowMs - mPending->startedMs > kPasteTimeoutMs) mPending.reset();
}

bool XClipboard::OnEvent(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
      AnswerRequest(reinterpret_cast<const xcb_selection_request_event_t&>(event));
      return true;
    case XCB_SELECTION_NOTIFY:
      OnSelectionNotify(reinterpret_cast<const xcb_selection_notify_event_t&>(event));
      return true;
    case XCB_SELECTION_CLEAR: {
      // Another program owns it now; what we held is no longer the selection.
      const auto& clear = reinterpret_cast<const xcb_selection_clear_event_t&>(event);
      if (std::optional<std::string>* own = OwnedText(clear.selection)) own->reset();
      return true;
    }
    default:
      return false;
  }
}

void XClipboard::AnswerRequest(const xcb_selection_request_event_t& request) {
  const XcbAtoms& atoms = mX.Atoms();
  // Very old clients leave the property out and mean the target's name.
  const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
  bool answered = false;
  const std::optional<std::string>* own = OwnedText(request.selection);
  if (own && *own && request.owner == mWindow) {
    if (request.target == atoms.targets) {
      const xcb_atom_t offered[] = {atoms.targets, atoms.utf8String};
      xcb_change_property(mX.get(), XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                          sizeof offered / sizeof offered[0], offered);
      answered = true;
    } else if (request.target == atoms.utf8String) {
      const std::string& text = **own;
      xcb_change_property(mX.get(), XCB_PROP_MODE_REPLACE, request.requestor, property, atoms.utf8String, 8,
                          static_cast<uint32_t>(text.size()), text.data());
      answered = true;
    }
  }
  // The answer is an event sent to the requestor, "no" being property None.
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = answered ? property : xcb_atom_t{XCB_ATOM_NONE};
  char bytes[32] = {};
  std::memcpy(bytes, &notify, sizeof notify);
  xcb_send_event(mX.get(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, bytes);
}

void XClipboard::OnSelectionNotify(const xcb_selection_notify_event_t& notify) {
  if (!mPending || notify.requestor != mWindow || notify.selection != mPending->selection) return;
  const PendingPaste pending = *mPending;
  mPending.reset();
  if (notify.property == XCB_ATOM_NONE) {
    // No UTF-8 from this owner: ask once more for plain STRING, which
    // every owner offers.
    if (pending.target == mX.Atoms().utf8String) {
      mPending = PendingPaste{pending.selection, XCB_ATOM_STRING, pending.startedMs};
      xcb_convert_selection(mX.get(), mWindow, pending.selection, XCB_ATOM_STRING, mX.Atoms().pasteProperty,
                            notify.time);
    }
    return;
  }
  xcb_atom_t type = XCB_ATOM_NONE;
  const std::optional<std::string> text = mX.ReadProperty(mWindow, notify.property, kMaxText, true, &type);
  // ReadProperty deletes only a property it read completely; a larger one
  // goes too, so an INCR transfer the owner may have started ends here.
  xcb_delete_property(mX.get(), mWindow, notify.property);
  if (!text || type == mX.Atoms().incr) return;
  mOnPaste(type == XCB_ATOM_STRING ? Latin1ToUtf8(*text) : *text);
}

}  // namespace framework
