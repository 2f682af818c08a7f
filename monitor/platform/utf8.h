#pragma once

#include <string>

namespace ossivant::reg {

// Appends the UTF-8 form of one code point (at most U+10FFFF; the caller
// hands in no surrogate halves).
void appendUtf8(char32_t cp, std::string* out);

}  // namespace ossivant::reg
