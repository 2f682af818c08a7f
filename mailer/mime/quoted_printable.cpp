#include "mailer/mime/quoted_printable.h"

#include <algorithm>

namespace quorvane3 {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::size_t kSoftBreakAt = 75;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::size_t EncodeQuotedPrintable(std::string_view text, char* out, std::size_t outSize) {
    if (outSize == 0) return 0;
    const std::size_t length = std::min(text.size(), text.find('\0'));
    // Blanks from here to the end are escaped, so they survive transport.
    std::size_t blankTail = length;
    while (blankTail > 0 && IsBlank(static_cast<unsigned char>(text[blankTail - 1]))) --blankTail;

    // One input byte writes at most 5 bytes (an escape and a soft break);
    // the stop keeps those and the terminating NUL inside the buffer.
    const std::size_t stop = outSize > 6 ? outSize - 6 : 0;
    std::size_t pos = 0;
    std::size_t line = 0;
    for (std::size_t i = 0; i < length && pos < stop; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((IsBlank(c) && i < blankTail) || (c >= 0x21 && c <= 0x7E && c != '=')) {
            out[pos++] = static_cast<char>(c);
            ++line;
        } else {
            out[pos++] = '=';
            out[pos++] = kHex[c >> 4];
            out[pos++] = kHex[c & 0x0F];
            line += 3;
        }
        if (line >= kSoftBreakAt && i + 1 < length) {
            out[pos++] = '=';
            out[pos++] = '\n';
            line = 0;
        }
    }
    out[pos] = '\0';
    return pos;
}

std::string EncodeQuotedPrintable(std::string_view text) {
    std::string out(text.size() * 5 + 8, '\0');
    out.resize(EncodeQuotedPrintable(text, out.data(), out.size()));
    return out;
}

}  // namespace quorvane3
