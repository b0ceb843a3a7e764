#include "presets/NameFitter.h"

#include <cmath>
#include <vector>

namespace brightwold::controls {

namespace {

constexpr float kWidthTolerance = 0.5f;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void DropLastUtf8Character(std::string& text) {
  while (!text.empty() && IsContinuationByte(text.back())) text.pop_back();
  if (!text.empty()) text.pop_back();  // the lead byte
}

const std::string& NameFitter::Fit(const std::string& text, float width, const Measure& measure) {
  if (mLastWidth >= 0.f && text == mLastText && std::fabs(width - mLastWidth) <= kWidthTolerance) return mLastResult;
  mLastText = text;
  mLastWidth = width;
  if (measure(text) <= width) {
    mLastResult = text;
    return mLastResult;
  }
  // The cuts are the prefixes ending before a lead byte. Advance widths
  // only grow as characters are added, so the longest prefix that fits
  // with "…" is found by halving, which keeps a name of a million
  // characters (a preset file may hold one) from taking a million
  // measurements; dropping one character at a time gives the same answer.
  std::vector<size_t> cuts;
  for (size_t i = 1; i < text.size(); ++i)
    if (!IsContinuationByte(text[i])) cuts.push_back(i);
  const auto fits = [&](size_t cut) { return measure(text.substr(0, cut) + std::string(kEllipsis)) <= width; };
  size_t low = 0;  // cuts[0, low) are known to fit
  size_t high = cuts.size();  // cuts[high, end) are known not to fit
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (fits(cuts[mid])) low = mid + 1;
    else high = mid;
  }
  mLastResult = low == 0 ? std::string(kEllipsis) : text.substr(0, cuts[low - 1]) + std::string(kEllipsis);
  return mLastResult;
}

}  // namespace brightwold::controls
