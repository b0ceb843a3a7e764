#pragma once

// The CLIPBOARD and PRIMARY selections for one editor window. X has no
// clipboard store: copying makes our window the selection's owner, and
// other programs ask us for the text (SelectionRequest); pasting asks the
// owner to convert the selection onto a property of our window, and the
// text arrives later (SelectionNotify). Nothing here waits for another
// program: a paste that gets no answer is forgotten after a while.
#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "framework/graphics/IGraphicsTypes.h"
#include "framework/graphics/XcbConnection_linux.h"

namespace framework {

/// Threads: the window's thread.
class XClipboard {
 public:
  using PasteHandler = std::function<void(const std::string& text)>;
  /// Longest text we hand out or take in one piece; selections bigger
  /// than this (which would need the INCR protocol) are not pasted.
  static constexpr size_t kMaxText = 256 * 1024;
  /// A paste request without an answer is dropped after this long.
  static constexpr uint32_t kPasteTimeoutMs = 2000;

  XClipboard(XcbConnection& connection, xcb_window_t window, PasteHandler onPaste)
      : mX(connection), mWindow(window), mOnPaste(std::move(onPaste)) {}

  /// Owns the selection with this text, from the event time `time`.
  void SetText(ClipboardKind kind, const std::string& utf8, xcb_timestamp_t time);
  /// Asks for the selection's text; the handler gets it when it comes.
  /// A new request replaces one still waiting.
  void RequestPaste(ClipboardKind kind, xcb_timestamp_t time, uint32_t nowMs);
  /// Drops a request that has waited too long.
  void CheckTimeout(uint32_t nowMs);
  bool PastePending() const { return mPending.has_value(); }

  /// Selection events for our window; true when the event was one.
  bool OnEvent(const xcb_generic_event_t& event);
  /// The text we hold for a selection, if we own it.
  const std::optional<std::string>& Owned(ClipboardKind kind) const {
    return kind == ClipboardKind::Primary ? mPrimary : mClipboard;
  }

 private:
  struct PendingPaste {
    xcb_atom_t selection;
    xcb_atom_t target;
    uint32_t startedMs;
  };

  xcb_atom_t SelectionAtom(ClipboardKind kind) const;
  std::optional<std::string>* OwnedText(xcb_atom_t selection);
  void AnswerRequest(const xcb_selection_request_event_t& request);
  void OnSelectionNotify(const xcb_selection_notify_event_t& notify);

  XcbConnection& mX;
  xcb_window_t mWindow;
  PasteHandler mOnPaste;
  std::optional<std::string> mClipboard;  // what we own, when we own it
  std::optional<std::string> mPrimary;
  std::optional<PendingPaste> mPending;
};

}  // namespace framework
