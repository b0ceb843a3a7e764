#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {
class IControl;
class IGraphics;
}  // namespace framework

namespace relaycaster {

/// Text width in design units, as the drawing style measures it.
using MeasureWidth = std::function<float(const std::string&)>;

/// Splits text into lines no wider than `width` where it can: words end at
/// each space; a word joins the current line unless that makes it too wide,
/// and then starts the next line. A word wider than `width` stands alone
/// and overflows, as words are never broken. Two spaces in a row keep the
/// extra space in the line. No drawing, so the decisions can be tested.
std::vector<std::string> WrapWords(std::string_view text, float width, const MeasureWidth& measure);

/// Line height of wrapped text: the style's size × 1.45.
float WrappedLineHeight(const framework::TextStyle& style);

/// Draws text word-wrapped across the control's width from `y` down, one
/// line every WrappedLineHeight, and returns the y below the last line.
float DrawWrapped(framework::IGraphics& g, const framework::IControl& control, const framework::TextStyle& style,
                  const std::string& text, float y);

}  // namespace relaycaster
