#pragma once

// UTF-8, the plug-in's text everywhere inside, to and from the UTF-16 that
// Windows calls take. Only the _win files include this.
#include <string>
#include <string_view>

namespace framework {

/// UTF-8 to UTF-16; invalid sequences become U+FFFD, as Windows converts them.
std::wstring WideFromUtf8(std::string_view utf8);
/// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace framework
