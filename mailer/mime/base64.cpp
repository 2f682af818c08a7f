#include "mailer/mime/base64.h"

#include <algorithm>
#include <cstdint>

namespace quorvane3 {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kFileStep = 51;

// Encodes `length` bytes; `out` must hold 4 × ceil(length / 3) + 1 bytes.
std::size_t Encode(const unsigned char* in, std::size_t length, char* out) {
    char* p = out;
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const uint32_t group = uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2];
        *p++ = kAlphabet[group >> 18];
        *p++ = kAlphabet[(group >> 12) & 0x3F];
        *p++ = kAlphabet[(group >> 6) & 0x3F];
        *p++ = kAlphabet[group & 0x3F];
    }
    if (i < length) {
        const bool two = i + 1 < length;
        const uint32_t group = uint32_t{in[i]} << 16 | (two ? uint32_t{in[i + 1]} << 8 : 0);
        *p++ = kAlphabet[group >> 18];
        *p++ = kAlphabet[(group >> 12) & 0x3F];
        *p++ = two ? kAlphabet[(group >> 6) & 0x3F] : '=';
        *p++ = '=';
    }
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

}  // namespace

int EncodeBase64Text(std::string_view text, char* out, std::size_t outSize) {
    if (outSize < kBase64TextBuffer) return kBase64BufferSmall;
    const std::size_t length = std::min({text.size(), text.find('\0'), kBase64TextMaxInput});
    Encode(reinterpret_cast<const unsigned char*>(text.data()), length, out);
    return kBase64More;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    out.resize(Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data()));
    return out;
}

int EncodeBase64File(std::FILE*& file, char* line, std::size_t lineSize) {
    if (lineSize < kBase64LineBuffer) return kBase64BufferSmall;
    line[0] = '\0';
    if (file == nullptr) return kBase64End;
    unsigned char data[kFileStep];
    const std::size_t got = std::fread(data, 1, kFileStep, file);
    if (got > 0) {
        Encode(data, got, line);
        return kBase64More;
    }
    const int closed = std::fclose(file);
    file = nullptr;
    return closed == 0 ? kBase64End : kBase64CloseFailed;
}

}  // namespace quorvane3
