#pragma once

#include <string>
#include <string_view>

namespace handoff {

// Converts UTF-8 text to ISO-8859-1. A character above U+00FF becomes '?'.
// Bytes that are not valid UTF-8 (stray continuation bytes, overlong forms,
// surrogates, values above U+10FFFF, a sequence cut short) become one '?'
// per maximal invalid subsequence, as Unicode recommends for replacement.
std::string Utf8ToLatin1(std::string_view utf8);

}  // namespace handoff
