// Arbitrary key presses, pastes and caret placements against a text entry
// with a small limit. After every step the entry must hold valid UTF-8 of
// one line within the limit, with caret and selection on character
// boundaries inside the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/graphics/TextEntry.h"

namespace {

using framework::Key;
using framework::KeyPress;
using framework::TextEntryModel;

/// Strict UTF-8 with no control characters: written apart from the entry's
/// own decoder so that one cannot vouch for itself.
bool IsCleanUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    uint32_t cp = 0;
    size_t n = 0;
    if (b < 0x80) { cp = b; n = 1; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; n = 2; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; n = 3; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; n = 4; }
    else return false;
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) return false;
    i += n;
  }
  return true;
}

bool OnBoundary(const std::string& text, size_t offset) {
  if (offset > text.size()) return false;
  return offset == text.size() || (static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckInvariants(const TextEntryModel& m) {
  const std::string& text = m.Text();
  Check(IsCleanUtf8(text));
  Check(m.CharCount() <= m.MaxChars());
  Check(OnBoundary(text, m.Caret()));
  Check(OnBoundary(text, m.SelectionStart()));
  Check(OnBoundary(text, m.SelectionEnd()));
  Check(m.SelectionStart() <= m.SelectionEnd());
  Check(m.SelectedText() == text.substr(m.SelectionStart(), m.SelectionEnd() - m.SelectionStart()));
}

/// Reads the fuzzer's bytes one at a time; zero once they run out.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool More() const { return pos < size; }
  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  std::string_view Bytes(size_t n) {
    n = std::min(n, size - pos);
    const std::string_view s(reinterpret_cast<const char*>(data + pos), n);
    pos += n;
    return s;
  }
};

constexpr Key kKeys[] = {Key::None,      Key::Character, Key::Return, Key::Escape, Key::Tab,  Key::Backspace, Key::Delete,
                         Key::Left,      Key::Right,     Key::Up,     Key::Down,   Key::Home, Key::End};
constexpr uint8_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const int limit = in.Byte() % 12;  // 0 to 11 characters
  TextEntryModel model(in.Bytes(in.Byte() % 24), limit);
  CheckInvariants(model);
  std::string clipboard;

  for (int step = 0; in.More() && step < 4096; ++step) {
    const uint8_t op = in.Byte();
    const uint8_t kind = op & 0x0F;
    if (kind < kKeyCount) {
      KeyPress key{kKeys[kind], "", (op & 0x10) != 0, (op & 0x20) != 0, (op & 0x40) != 0};
      if (key.key == Key::Character) key.text = std::string(in.Bytes(in.Byte() % 6));
      const std::string before = model.Text();
      const TextEntryModel::KeyResult result = model.HandleKey(key);
      switch (result.outcome) {
        case TextEntryModel::Outcome::Copy:
          Check(!result.clipboardText.empty() && model.Text() == before);
          clipboard = result.clipboardText;
          break;
        case TextEntryModel::Outcome::Cut:
          Check(!result.clipboardText.empty());
          Check(model.Text().size() + result.clipboardText.size() == before.size());
          clipboard = result.clipboardText;
          break;
        case TextEntryModel::Outcome::PasteClipboard:
          Check(model.Text() == before);
          model.Insert(clipboard);  // what the owner does with the clipboard's answer
          break;
        case TextEntryModel::Outcome::None:
        case TextEntryModel::Outcome::Commit:
        case TextEntryModel::Outcome::Abandon:
          Check(model.Text() == before);
          break;
        case TextEntryModel::Outcome::Changed:
          break;
      }
      Check(IsCleanUtf8(result.clipboardText));
    } else if (kind == kKeyCount) {
      model.Insert(in.Bytes(in.Byte() % 32));  // a paste of anything
    } else {
      model.SetCaret(in.Byte(), (op & 0x10) != 0);
    }
    CheckInvariants(model);
  }
  return 0;
}
