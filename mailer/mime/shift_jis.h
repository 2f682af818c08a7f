#ifndef QUORVANE3_MIME_SHIFT_JIS_H
#define QUORVANE3_MIME_SHIFT_JIS_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane3 {

// Converts Shift-JIS text (up to its first NUL) to ISO-2022-JP (RFC 1468):
// double-byte characters and half-width katakana become JIS X 0208 between
// ESC $ B and ESC ( J; half-width katakana with a following voiced or
// semi-voiced mark become the one voiced full-width character. A lead byte
// with no trail byte left ends the text.
//
// Writes into out[0, outSize) and stops early when a further character and
// the closing escape might not fit; the output is NUL-terminated (when
// outSize > 0) and always ends in the single-byte mode. Returns its length
// (malformed input may put NUL bytes inside). 5 × text length + 8 bytes
// always hold the whole result.
std::size_t ConvertShiftJisToJis(std::string_view text, char* out, std::size_t outSize);

// The whole ISO-2022-JP text of `text`.
std::string ConvertShiftJisToJis(std::string_view text);

}  // namespace quorvane3

#endif
