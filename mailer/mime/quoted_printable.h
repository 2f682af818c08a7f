#ifndef QUORVANE3_MIME_QUOTED_PRINTABLE_H
#define QUORVANE3_MIME_QUOTED_PRINTABLE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane3 {

// Quoted-printable (RFC 2045) of a body text as one logical line: line
// breaks of the text are escaped as "=0A"/"=0D", and a soft break ("=" LF)
// follows each output line of 75 or more characters. Blanks are escaped only
// where nothing but blanks follows them to the end of the text. The text ends
// at its first NUL byte.
//
// Writes into out[0, outSize) and stops early when fewer than 7 bytes remain;
// the output is NUL-terminated (when outSize > 0). Returns its length.
// A buffer of 5 × text length + 8 bytes always holds the whole result.
std::size_t EncodeQuotedPrintable(std::string_view text, char* out, std::size_t outSize);

// The whole quoted-printable text of `text`.
std::string EncodeQuotedPrintable(std::string_view text);

}  // namespace quorvane3

#endif
