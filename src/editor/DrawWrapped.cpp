#include "editor/DrawWrapped.h"

#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

namespace relaycaster {

std::vector<std::string> WrapWords(std::string_view text, float width, const MeasureWidth& measure) {
  std::vector<std::string> lines;
  std::string line;
  std::string word;
  auto endWord = [&] {
    std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && measure(candidate) > width) {
      lines.push_back(std::move(line));
      line = word;
    } else {
      line = std::move(candidate);
    }
    word.clear();
  };
  for (char c : text) {
    if (c == ' ') endWord();
    else word += c;
  }
  endWord();
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

float WrappedLineHeight(const framework::TextStyle& style) { return style.size * 1.45f; }

float DrawWrapped(framework::IGraphics& g, const framework::IControl& control, const framework::TextStyle& style,
                  const std::string& text, float y) {
  const framework::IRECT& r = control.GetRECT();
  const float height = WrappedLineHeight(style);
  const framework::IBlend blend = control.GetBlend();
  const MeasureWidth measure = [&](const std::string& candidate) { return g.MeasureTextWidth(style, candidate); };
  for (const std::string& line : WrapWords(text, r.W(), measure)) {
    g.DrawText(style, line, {r.L, y, r.R, y + height}, &blend);
    y += height;
  }
  return y;
}

}  // namespace relaycaster
