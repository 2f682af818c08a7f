#ifndef QUORVANE3_MIME_HEADER_TEXT_H
#define QUORVANE3_MIME_HEADER_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane3 {

// How several encoded words of one text are joined.
enum class WordJoin {
    kFold,   // LF and a blank: the header line is folded (the message file stores LF as CR LF)
    kBlank,  // a single blank, inside a quoted parameter such as a file name
};

// Longest encoded word (RFC 2047).
inline constexpr std::size_t kMaxEncodedWord = 75;

// Appends a header text (up to its first NUL) to `out`. Pure 7-bit text is
// appended unchanged; text with 8-bit bytes becomes RFC 2047 encoded words
// chosen by the job's Windows character-set number:
//   0, 163, 222, 255 -> iso-8859-1 Q;  161 -> iso-8859-7 Q;  162 -> iso-8859-9 Q;
//   130, 177, 178, 204, 238 -> iso-8859-2 Q;  129 -> EUC-KR B;  134 -> gb2312 B;
//   136 -> big5 B;  128 -> iso-2022-jp B of the text converted from Shift-JIS;
//   any other number -> the text unchanged.
// Q text is split into as many complete words of at most 75 characters as it
// needs, joined by `join`; a Q word writes only letters, digits and !*+-/
// as they are, a blank as "_" and every other byte as =XX, so it is valid in
// a subject, a display name and a quoted parameter alike. A B word carries
// the first 102 bytes of the (converted) text.
void EncodeHeaderText(std::string& out, std::string_view text, uint32_t charsetCode,
                      WordJoin join = WordJoin::kFold);

std::string EncodeHeaderText(std::string_view text, uint32_t charsetCode,
                             WordJoin join = WordJoin::kFold);

}  // namespace quorvane3

#endif
