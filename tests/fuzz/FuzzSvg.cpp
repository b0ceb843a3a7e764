// Arbitrary bytes as an SVG picture, as path data and as a transform: the
// reader must give a picture within its limits, with finite coordinates,
// every path starting with a move, and never crash or hang.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/graphics/SvgPicture.h"
#include "framework/graphics/XmlReader.h"

namespace {

void Check(const framework::SvgPicture& picture) {
  if (picture.shapes.size() > framework::kMaxSvgShapes) __builtin_trap();
  if (!std::isfinite(picture.width) || !std::isfinite(picture.height) || picture.width < 0 || picture.height < 0)
    __builtin_trap();
  size_t commands = 0;
  for (const auto& shape : picture.shapes) {
    if (shape.path.empty() || shape.path.front().op != framework::SvgPathCommand::Op::Move) __builtin_trap();
    if (shape.fill.none && shape.stroke.none) __builtin_trap();
    if (!(shape.opacity >= 0.f && shape.opacity <= 1.f) || !std::isfinite(shape.strokeWidth)) __builtin_trap();
    for (const auto& paint : {shape.fill, shape.stroke}) {
      if (paint.color.A < 0 || paint.color.A > 255) __builtin_trap();
    }
    for (const auto& c : shape.path) {
      for (float v : {c.x1, c.y1, c.x2, c.y2, c.x3, c.y3}) {
        if (!std::isfinite(v)) __builtin_trap();
      }
    }
    commands += shape.path.size();
  }
  if (commands > framework::kMaxSvgCommands) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The tokenizer alone: every token consumes input, so there are never more tokens than bytes.
  framework::XmlReader xml(text);
  framework::XmlToken token;
  size_t tokens = 0;
  while (xml.Next(token)) {
    if (++tokens > size) __builtin_trap();
  }

  Check(framework::ParseSvg(text, 72.f));
  const std::string head = "<svg width='10mm' height='1in' viewBox='0 0 10 10'><g stroke='red' ";
  Check(framework::ParseSvg(head + "transform='" + std::string(text) + "'><path d='M0 0L1 1'/></g></svg>", 96.f));
  Check(framework::ParseSvg(head + "><path d='" + std::string(text) + "'/></g></svg>", 72.f));
  Check(framework::ParseSvg(head + ">" + std::string(text), 72.f));
  return 0;
}
