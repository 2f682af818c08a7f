// Runs every text encoder on arbitrary bytes with exactly sized heap buffers
// (so AddressSanitizer sees any write past them) and checks the shape of
// each result.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "mailer/mime/base64.h"
#include "mailer/mime/header_text.h"
#include "mailer/mime/quoted_printable.h"
#include "mailer/mime/shift_jis.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool Printable(char c) { return (c >= 0x20 && c <= 0x7E) || c == '\t' || c == '\n'; }

void QuotedPrintable(std::string_view text, std::size_t smallSize) {
    for (const std::size_t size : {text.size() * 5 + 8, smallSize}) {
        auto out = std::make_unique<char[]>(size);
        const std::size_t length = quorvane3::EncodeQuotedPrintable(text, out.get(), size);
        if (size == 0) continue;
        Check(length < size && out[length] == '\0', "QP output not terminated inside the buffer");
        std::size_t line = 0;
        for (std::size_t i = 0; i < length; ++i) {
            Check(Printable(out[i]), "QP output not 7-bit printable");
            line = out[i] == '\n' ? 0 : line + 1;
            Check(line <= 78, "QP line too long");
        }
    }
}

void ShiftJis(std::string_view text, std::size_t smallSize) {
    for (const std::size_t size : {text.size() * 5 + 8, smallSize}) {
        auto out = std::make_unique<char[]>(size);
        const std::size_t length = quorvane3::ConvertShiftJisToJis(text, out.get(), size);
        if (size == 0) continue;
        Check(length < size && out[length] == '\0', "JIS output not terminated inside the buffer");
        const std::string_view result(out.get(), length);
        // Escapes copied from the input itself say nothing about the converter's mode.
        const std::size_t toJis = result.rfind("\x1B$B");
        if (toJis != std::string_view::npos && text.find('\x1B') == std::string_view::npos) {
            Check(result.rfind("\x1B(J") > toJis, "JIS output left in double-byte mode");
        }
    }
}

void Base64(std::string_view text) {
    auto out = std::make_unique<char[]>(quorvane3::kBase64TextBuffer);
    Check(quorvane3::EncodeBase64Text(text, out.get(), quorvane3::kBase64TextBuffer) == 0,
          "base64 text refused");
    Check(std::strlen(out.get()) <= 136 && std::strlen(out.get()) % 4 == 0, "base64 text length");

    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    if (file == nullptr) return;  // fmemopen refuses an empty buffer
    auto line = std::make_unique<char[]>(quorvane3::kBase64LineBuffer);
    std::size_t total = 0;
    int result;
    while ((result = quorvane3::EncodeBase64File(file, line.get(), quorvane3::kBase64LineBuffer)) ==
           quorvane3::kBase64More) {
        const std::size_t length = std::strlen(line.get());
        Check(length > 0 && length <= 68 && length % 4 == 0, "base64 line length");
        total += length;
    }
    Check(file == nullptr && result == quorvane3::kBase64End, "base64 file not closed");
    Check(total == (text.size() + 2) / 3 * 4, "base64 file length");
}

void HeaderText(std::string_view text, uint32_t charsetCode) {
    for (const auto join : {quorvane3::WordJoin::kFold, quorvane3::WordJoin::kBlank}) {
        const std::string encoded = quorvane3::EncodeHeaderText(text, charsetCode, join);
        const std::string_view cut = text.substr(0, text.find('\0'));
        if (encoded == cut) continue;  // 7-bit text or a character set without words
        const std::string separator = join == quorvane3::WordJoin::kFold ? "\n " : " ";
        std::size_t start = 0;
        while (true) {
            const std::size_t end = encoded.find(separator, start);
            const std::string_view word =
                std::string_view(encoded).substr(start, end == std::string::npos ? end : end - start);
            Check(word.starts_with("=?") && word.ends_with("?="), "encoded word not whole");
            if (word.find("?Q?") != std::string_view::npos) {
                Check(word.size() <= quorvane3::kMaxEncodedWord, "Q word longer than 75");
            }
            for (const char c : word) Check(c > 0x20 && c < 0x7F, "encoded word not 7-bit");
            if (end == std::string::npos) break;
            start = end + separator.size();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first byte chooses the character set, the second a small buffer size.
    static constexpr uint32_t kCharsets[] = {0, 128, 129, 130, 134, 136, 161, 162, 186, 255};
    const uint32_t charsetCode = kCharsets[data[0] % (sizeof kCharsets / sizeof kCharsets[0])];
    const std::size_t smallSize = data[1];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    QuotedPrintable(text, smallSize);
    ShiftJis(text, smallSize);
    Base64(text);
    HeaderText(text, charsetCode);
    return 0;
}
