#include "framework/graphics/MessageBoxView.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace framework {
namespace {

constexpr IColor kDim{160, 0, 0, 0};
constexpr IColor kDialog{255, 28, 28, 28};
constexpr IColor kInk{255, 250, 250, 250};
constexpr IColor kBorder = kInk.WithAlpha(60);
constexpr IColor kButton{255, 44, 44, 44};
constexpr IColor kButtonHovered{255, 62, 62, 62};
constexpr IColor kFocusRing = kInk.WithAlpha(200);
constexpr float kCornerRadius = 4.f;
constexpr float kCaptionHeight = 20.f;
constexpr float kCaptionGap = 8.f;
constexpr float kLineHeight = 17.f;
constexpr float kButtonsGap = 16.f;
constexpr const char* kEllipsis = "\u2026";

float TextWidth(DrawingBackend& g, const TextStyle& style, std::string_view text) {
  if (text.empty()) return 0.f;
  const float w = g.MeasureText(style, text, {}).W();
  return std::isfinite(w) ? w : 0.f;
}

/// Greedy word wrap of one paragraph into lines no wider than `width`,
/// except for a single word that is wider on its own.
void WrapParagraph(DrawingBackend& g, const TextStyle& style, std::string_view paragraph, float width,
                   std::vector<std::string>& lines) {
  std::string line;
  size_t i = 0;
  while (i < paragraph.size()) {
    while (i < paragraph.size() && (paragraph[i] == ' ' || paragraph[i] == '\t')) ++i;
    const size_t start = i;
    while (i < paragraph.size() && paragraph[i] != ' ' && paragraph[i] != '\t') ++i;
    if (i == start) break;
    const std::string_view word = paragraph.substr(start, i - start);
    std::string candidate = line.empty() ? std::string(word) : line + " " + std::string(word);
    if (line.empty() || TextWidth(g, style, candidate) <= width) {
      line = std::move(candidate);
    } else {
      lines.push_back(std::move(line));
      line = std::string(word);
    }
  }
  lines.push_back(std::move(line));  // an empty paragraph is an empty line
}

std::vector<std::string> WrapText(DrawingBackend& g, const TextStyle& style, std::string_view text, float width) {
  std::vector<std::string> lines;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  if (text.empty()) return lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view paragraph = text.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
    WrapParagraph(g, style, paragraph, width, lines);
    start = end + 1;
  }
  return lines;
}

/// Shortens the line, a character at a time, until it fits with an ellipsis after it.
std::string WithEllipsis(DrawingBackend& g, const TextStyle& style, std::string line, float width) {
  while (!line.empty() && TextWidth(g, style, line + kEllipsis) > width) {
    unsigned char removed = 0;
    do {
      removed = static_cast<unsigned char>(line.back());
      line.pop_back();
    } while (!line.empty() && (removed & 0xC0) == 0x80);  // back to the character's first byte
  }
  return line + kEllipsis;
}

}  // namespace

MessageBoxView::MessageBoxView(std::string text, std::string caption, MessageBoxType type, const IRECT& area)
    : mText(std::move(text)), mCaption(std::move(caption)), mType(type), mArea(area) {}

TextStyle MessageBoxView::CaptionStyle() {
  TextStyle style;
  style.font = "RobotoCondensed-Bold";
  style.size = 15.f;
  style.fg = kInk;
  style.align = EAlign::Near;
  style.valign = EVAlign::Middle;
  return style;
}

TextStyle MessageBoxView::BodyStyle() {
  TextStyle style;
  style.font = "Roboto-Regular";
  style.size = 12.f;
  style.fg = kInk;
  style.align = EAlign::Near;
  style.valign = EVAlign::Middle;
  return style;
}

const char* MessageBoxView::ButtonLabel(int index) const {
  if (mType != kMB_YESNO) return "OK";
  return index == 0 ? "Yes" : "No";
}

int MessageBoxView::AnswerOfButton(int index) const {
  if (mType != kMB_YESNO) return kIDOK;
  return index == 0 ? kIDYES : kIDNO;
}

int MessageBoxView::OnMouseDown(float x, float y) {
  for (size_t i = 0; i < mButtons.size(); ++i)
    if (mButtons[i].Contains(x, y)) return AnswerOfButton(static_cast<int>(i));
  return kNoResult;
}

bool MessageBoxView::OnMouseMove(float x, float y) {
  int hovered = -1;
  for (size_t i = 0; i < mButtons.size(); ++i)
    if (mButtons[i].Contains(x, y)) hovered = static_cast<int>(i);
  if (hovered == mHovered) return false;
  mHovered = hovered;
  return true;
}

bool MessageBoxView::SetFocused(int index) {
  if (index == mFocused) return false;
  mFocused = index;
  return true;
}

int MessageBoxView::OnKey(const KeyPress& key, bool& redraw) {
  redraw = false;
  const int n = ButtonCount();
  switch (key.key) {
    case Key::Return:
      return AnswerOfButton(mFocused);
    case Key::Escape:
      return AnswerOfButton(n - 1);
    case Key::Left:
      redraw = SetFocused(std::max(0, mFocused - 1));
      return kNoResult;
    case Key::Right:
      redraw = SetFocused(std::min(n - 1, mFocused + 1));
      return kNoResult;
    case Key::Tab:
      redraw = SetFocused(key.shift ? (mFocused + n - 1) % n : (mFocused + 1) % n);
      return kNoResult;
    default:
      return kNoResult;
  }
}

void MessageBoxView::Layout(DrawingBackend& g) {
  const float inner = kWidth - 2.f * kPadding;
  mLines = WrapText(g, BodyStyle(), mText, inner);

  const float captionPart = mCaption.empty() ? 0.f : kCaptionHeight + kCaptionGap;
  const float fixed = 2.f * kPadding + captionPart + kButtonsGap + kButtonHeight;
  // A text taller than the editor keeps the lines that fit and says it goes on.
  const float room = mArea.H() - 2.f * kPadding - fixed;
  const size_t fitting = static_cast<size_t>(std::max(1.f, std::floor(room / kLineHeight)));
  if (mLines.size() > fitting) {
    mLines.resize(fitting);
    mLines.back() = WithEllipsis(g, BodyStyle(), mLines.back(), inner);
  }

  const float height = fixed + kLineHeight * static_cast<float>(mLines.size());
  const float left = std::round(mArea.MW() - 0.5f * kWidth);
  const float top = std::round(mArea.MH() - 0.5f * height);
  mDialog = {left, top, left + kWidth, top + height};

  mButtons.assign(static_cast<size_t>(ButtonCount()), IRECT{});
  float right = mDialog.R - kPadding;
  for (int i = ButtonCount() - 1; i >= 0; --i) {
    mButtons[static_cast<size_t>(i)] = {right - kButtonWidth, mDialog.B - kPadding - kButtonHeight, right,
                                        mDialog.B - kPadding};
    right -= kButtonWidth + kButtonGap;
  }
  mLaidOut = true;
}

void MessageBoxView::Draw(DrawingBackend& g) {
  if (!mLaidOut) Layout(g);
  g.FillRect(kDim, mArea, 1.f);
  g.FillRoundRect(kDialog, mDialog, kCornerRadius, 1.f);
  g.DrawRoundRect(kBorder, mDialog.Padded(-0.5f), kCornerRadius, 1.f, 1.f);

  // A word longer than a line stops at the padding rather than running into the border.
  g.PushClip({mDialog.L + kPadding, mDialog.T, mDialog.R - kPadding, mDialog.B});
  float y = mDialog.T + kPadding;
  if (!mCaption.empty()) {
    g.DrawText(CaptionStyle(), mCaption, {mDialog.L + kPadding, y, mDialog.R - kPadding, y + kCaptionHeight}, 1.f);
    y += kCaptionHeight + kCaptionGap;
  }
  for (const std::string& line : mLines) {
    if (!line.empty())
      g.DrawText(BodyStyle(), line, {mDialog.L + kPadding, y, mDialog.R - kPadding, y + kLineHeight}, 1.f);
    y += kLineHeight;
  }
  g.PopClip();
  for (int i = 0; i < ButtonCount(); ++i) DrawButton(g, i);
}

void MessageBoxView::DrawButton(DrawingBackend& g, int index) const {
  const IRECT& r = mButtons[static_cast<size_t>(index)];
  g.FillRoundRect(index == mHovered ? kButtonHovered : kButton, r, kCornerRadius, 1.f);
  g.DrawRoundRect(index == mFocused ? kFocusRing : kBorder, r.Padded(-0.5f), kCornerRadius, 1.f, 1.f);
  g.DrawText(BodyStyle().WithAlign(EAlign::Center), ButtonLabel(index), r, 1.f);
}

}  // namespace framework
