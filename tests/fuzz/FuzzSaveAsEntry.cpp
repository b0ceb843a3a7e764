// Arbitrary key presses, pastes, clicks and focus changes against the
// preset bar's "Save as" entry, through the editor's event interface. After
// every step an open entry holds valid UTF-8 of one line within 80
// characters, and every name the bar saved was trimmed, not empty, and
// saved only when the entry was committed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/IPlugAPIBase.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/TextEntry.h"
#include "presets/PresetBarControl.h"

namespace {

using brightwold::controls::kZoneSaveAs;
using brightwold::controls::PresetBarActions;
using brightwold::controls::PresetBarControl;
using framework::Key;
using framework::KeyPress;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

/// Strict UTF-8 without control characters, apart from the entry's own decoder.
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

int CodePoints(std::string_view s) {
  return static_cast<int>(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool OnBoundary(const std::string& text, size_t offset) {
  return offset <= text.size() && (offset == text.size() || (static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80);
}

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

class NoHost : public framework::IPlugAPIBase {
 public:
  NoHost() : IPlugAPIBase(framework::PluginConfig{}) {}
  void RenderBlock(double**, double**, int) override {}
};

/// The presets the bar sees: names in memory, saves recorded.
struct Presets {
  std::vector<std::string> names;
  std::string current;
  std::vector<std::string> saved;
};

struct Editor {
  Editor() : graphics(host, 880, 32, 60, 1.f) {
    PresetBarActions actions;
    actions.listNames = [this] { return presets.names; };
    actions.currentName = [this] { return presets.current; };
    actions.load = [this](const std::string& name) { presets.current = name; };
    actions.save = [this](const std::string& name) {
      presets.saved.push_back(name);
      if (std::find(presets.names.begin(), presets.names.end(), name) == presets.names.end()) presets.names.push_back(name);
      presets.current = name;
    };
    actions.remove = [this](const std::string& name) { std::erase(presets.names, name); };
    actions.modified = [] { return false; };
    bar = new PresetBarControl({0, 0, 880, 32}, Style(), std::move(actions));
    graphics.AttachControl(bar);
    graphics.EnableMouseOver(true);
  }
  static brightwold::controls::PresetBarStyle Style() {
    brightwold::controls::PresetBarStyle style;
    style.textStyle.size = 11;
    return style;
  }
  void OpenSaveAs() {
    const framework::IRECT zone = bar->Layout().Zone(kZoneSaveAs);
    Click(zone.MW(), zone.MH(), {});
  }
  void Click(float x, float y, const framework::IMouseMod& mod) {
    framework::IMouseMod pressed = mod;
    pressed.L = true;
    graphics.OnMouseDown(x, y, pressed);
    graphics.OnMouseUp(x, y, pressed);
  }

  NoHost host;
  framework::IGraphics graphics;
  PresetBarControl* bar = nullptr;
  Presets presets;
};

void CheckEntry(framework::IGraphics& g, PresetBarControl* bar) {
  const framework::TextEntryLayer* entry = g.GetTextEntry();
  if (entry == nullptr) return;
  Check(&entry->Owner() == bar);
  const framework::TextEntryModel& m = entry->Model();
  Check(m.MaxChars() == PresetBarControl::kMaxNameChars);
  Check(IsCleanUtf8(m.Text()));
  Check(m.CharCount() <= m.MaxChars());
  Check(OnBoundary(m.Text(), m.Caret()));
  Check(OnBoundary(m.Text(), m.SelectionStart()) && OnBoundary(m.Text(), m.SelectionEnd()));
}

void CheckSaved(const std::string& name) {
  Check(!name.empty());
  Check(name.front() != ' ' && name.front() != '\t' && name.back() != ' ' && name.back() != '\t');
  Check(IsCleanUtf8(name));
  Check(CodePoints(name) <= PresetBarControl::kMaxNameChars);
}

constexpr Key kKeys[] = {Key::None,  Key::Character, Key::Return, Key::Escape, Key::Tab,  Key::Backspace, Key::Delete,
                         Key::Left,  Key::Right,     Key::Up,     Key::Down,   Key::Home, Key::End};
constexpr uint8_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

}  // namespace

// No font is loaded, so text falls back to a face fontconfig finds, and
// fontconfig keeps its pattern cache until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Editor* editor = new Editor();  // one editor for the whole run, as a host keeps one open
  framework::IGraphics& g = editor->graphics;
  Presets& presets = editor->presets;
  if (g.HasTextEntry()) g.OnKeyDown({Key::Escape});
  if (g.HasPopupMenu()) g.OnKeyDown({Key::Escape});
  presets = Presets{};

  Reader in{data, size};
  presets.current = std::string(in.Bytes(in.Byte() % 100));  // the entry starts with the current name
  editor->OpenSaveAs();
  Check(g.HasTextEntry());
  CheckEntry(g, editor->bar);

  for (int step = 0; in.More() && step < 2048; ++step) {
    const bool wasOpen = g.HasTextEntry();
    const size_t savesBefore = presets.saved.size();
    const uint8_t op = in.Byte();
    const uint8_t kind = op & 0x0F;
    bool mayCommit = false;
    if (kind < kKeyCount) {
      KeyPress key{kKeys[kind], "", (op & 0x10) != 0, (op & 0x20) != 0, (op & 0x40) != 0};
      if (key.key == Key::Character) key.text = std::string(in.Bytes(in.Byte() % 6));
      g.OnKeyDown(key);
      mayCommit = key.key == Key::Return;
      // Plain Return commits and plain Escape cancels; with Alt or Control
      // held they are the entry's shortcuts (or the host's) instead.
      const bool plain = !key.alt && !key.ctrl;
      if (wasOpen && plain && (key.key == Key::Escape || key.key == Key::Return)) Check(!g.HasTextEntry());
    } else if (kind == kKeyCount) {
      g.OnPaste(std::string(in.Bytes(in.Byte() % 120)));
    } else if (kind == kKeyCount + 1) {
      g.OnFocusLost();  // an open entry commits
      mayCommit = true;
    } else {
      // A click inside the entry places the caret (Shift extends the
      // selection); one on the bar's empty stretch commits the entry. (The
      // bar's own buttons are the editor tests' business: "Save" would save
      // a second time in the same step.)
      const framework::IRECT entry = editor->bar->Layout().SaveAsEntryRect();
      const float along = static_cast<float>(in.Byte()) / 255.f;
      const float down = static_cast<float>(in.Byte()) / 255.f;
      framework::IMouseMod mod;
      mod.S = (op & 0x10) != 0;
      if (op & 0x20) editor->Click(entry.L + along * entry.W(), entry.T + down * entry.H(), mod);
      else editor->Click(520.f + along * 300.f, down * 31.f, mod);
      mayCommit = true;
    }
    const size_t saves = presets.saved.size() - savesBefore;
    Check(saves <= 1);
    if (saves == 1) {
      Check(wasOpen && mayCommit);
      CheckSaved(presets.saved.back());
    }
    CheckEntry(g, editor->bar);
    if (!g.HasTextEntry() && (op & 0x80)) editor->OpenSaveAs();
  }
  g.DrawAll();  // names of any shape drawn and fitted into the field
  return 0;
}
