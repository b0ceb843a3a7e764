#pragma once

// Cuts a text to a width with "…", by whole UTF-8 characters, remembering
// the last answer so that an unchanged bar measures nothing when redrawn.
#include <functional>
#include <string>
#include <string_view>

namespace brightwold::controls {

/// "…" (U+2026), what a cut text ends with.
inline constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

/// Removes the last UTF-8 character: its lead byte with all the
/// continuation bytes after it (a stray continuation byte counts as part of
/// the character before it; a string of nothing else goes entirely).
void DropLastUtf8Character(std::string& text);

/// The text when it fits `width`; otherwise the longest cut of it by whole
/// characters that fits with "…" appended, or "…" alone. Measured with the
/// given measure (the text's advance width in design units), which must
/// not shrink as characters are added; a cut costs about log2(characters)
/// measurements.
///
/// Threads: the user-interface thread (one fitter per control).
class NameFitter {
 public:
  using Measure = std::function<float(std::string_view)>;

  /// The cached result when text and width are as last time (width within
  /// 0.5); otherwise measures, fits and remembers.
  const std::string& Fit(const std::string& text, float width, const Measure& measure);

 private:
  std::string mLastText;
  float mLastWidth = -1.f;  // no answer yet
  std::string mLastResult;
};

}  // namespace brightwold::controls
