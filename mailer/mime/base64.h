#ifndef QUORVANE3_MIME_BASE64_H
#define QUORVANE3_MIME_BASE64_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace quorvane3 {

// Results of the base64 encoders.
inline constexpr int kBase64More = 0;         // a line was written, more may follow
inline constexpr int kBase64CloseFailed = 1;  // end of data; closing the file failed
inline constexpr int kBase64End = 2;          // end of data; the file is closed
inline constexpr int kBase64BufferSmall = 3;  // the output buffer is too small

// Smallest output buffers the encoders accept.
inline constexpr std::size_t kBase64TextBuffer = 137;
inline constexpr std::size_t kBase64LineBuffer = 69;

// Most bytes of text that EncodeBase64Text encodes; the rest is cut off.
inline constexpr std::size_t kBase64TextMaxInput = 102;

// Base64 (RFC 2045, padded, no line breaks) of the text up to its first NUL,
// at most its first 102 bytes. Writes a NUL-terminated result into out and
// returns kBase64More, or kBase64BufferSmall (nothing written) when outSize
// is below 137.
int EncodeBase64Text(std::string_view text, char* out, std::size_t outSize);

// Base64 of every byte, NUL included, in one line without a break.
std::string EncodeBase64(std::string_view bytes);

// One line of an attachment's base64: reads up to 51 bytes from `file` and
// writes their 68 or fewer characters, NUL-terminated, into `line`
// (kBase64More). When nothing more can be read (end or read error) the file
// is closed, `file` becomes null, `line` is empty and the result is kBase64End
// (kBase64CloseFailed when closing failed). With a null `file` the result is
// kBase64End at once. A line buffer below 69 bytes gives kBase64BufferSmall.
int EncodeBase64File(std::FILE*& file, char* line, std::size_t lineSize);

}  // namespace quorvane3

#endif
