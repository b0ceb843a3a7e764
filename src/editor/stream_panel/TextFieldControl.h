#pragma once

#include <functional>
#include <string>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// A single-line field over a text setting or a numeric parameter. It
/// follows its value through the getter every frame, whoever changed it; a
/// left click opens the framework's text entry over it, and what is typed
/// goes to the setter, which may store something else (a parsed number, a
/// host taken from an address): the field then shows what was stored.
class TextFieldControl : public framework::IControl {
 public:
  using Getter = std::function<std::string()>;
  using Setter = std::function<void(const std::string&)>;
  using Reveal = std::function<bool()>;

  struct Colours {
    framework::IColor fill;
    framework::IColor border;
    framework::IColor hoverBorder;
    framework::IColor suffix;
  };

  /// `reveal` may be empty; while it returns true a masked field shows its text.
  TextFieldControl(const framework::IRECT& bounds, const framework::TextStyle& style,
                   const framework::TextStyle& entryStyle, Getter getter, Setter setter, int maxLength, bool masked,
                   Reveal reveal, std::string suffix, const Colours& colours);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnTextEntryCompletion(const char* text, int valIdx) override;
  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  /// The value as last read from the getter.
  const std::string& ShownText() const { return mShownText; }
  /// What the field draws for a value: the value, or one bullet (U+2022)
  /// per byte of it when masked and not revealed.
  static std::string DisplayedText(const std::string& value, bool masked, bool revealed);

  /// The unit suffix takes this much of the text area's right end.
  static constexpr float kSuffixSpace = 22.f;
  /// Text inset from the field's left and right edges.
  static constexpr float kInset = 9.f;

 private:
  framework::TextStyle mStyle;
  framework::TextStyle mEntryStyle;
  Getter mGetter;
  Setter mSetter;
  int mMaxLength;
  bool mMasked;
  Reveal mReveal;
  std::string mSuffix;
  std::string mShownText;
  bool mShownRevealed = false;
  Colours mColours;
};

}  // namespace relaycaster::stream_panel
