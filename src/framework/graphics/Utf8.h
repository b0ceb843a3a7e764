#pragma once

// UTF-8 encoding of one code point, for the toolkit's text paths (typed
// text, XML character references, UTF-16 from the system).
#include <string>

namespace framework {

/// Appends `codePoint` as UTF-8; a surrogate or a value past U+10FFFF
/// becomes U+FFFD, so the result is always valid UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace framework
