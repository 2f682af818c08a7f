#include "handoff/latin1.h"

#include <cstdint>

namespace handoff {
namespace {

// Length of the sequence a lead byte starts, or 0 when it cannot start one.
int SequenceLength(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Allowed range of the first continuation byte; it is narrower after some
// leads so that overlong forms, surrogates and values above U+10FFFF fail.
bool FirstContinuationOk(uint8_t lead, uint8_t next) {
    switch (lead) {
        case 0xE0:
            return next >= 0xA0 && next <= 0xBF;
        case 0xED:
            return next >= 0x80 && next <= 0x9F;
        case 0xF0:
            return next >= 0x90 && next <= 0xBF;
        case 0xF4:
            return next >= 0x80 && next <= 0x8F;
        default:
            return next >= 0x80 && next <= 0xBF;
    }
}

}  // namespace

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const uint8_t lead = static_cast<uint8_t>(utf8[i]);
        const int length = SequenceLength(lead);
        if (length == 1) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        uint32_t code = lead & (0xFF >> (length + 1));
        std::size_t used = 1;
        bool complete = true;
        for (int k = 1; k < length; ++k) {
            if (i + used >= utf8.size()) {
                complete = false;
                break;
            }
            const uint8_t next = static_cast<uint8_t>(utf8[i + used]);
            const bool ok = k == 1 ? FirstContinuationOk(lead, next) : (next & 0xC0) == 0x80;
            if (!ok) {
                complete = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
            ++used;
        }
        out += complete && code <= 0xFF ? static_cast<char>(code) : '?';
        i += used;
    }
    return out;
}

}  // namespace handoff
