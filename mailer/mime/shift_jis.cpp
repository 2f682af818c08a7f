#include "mailer/mime/shift_jis.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quorvane3 {

namespace {

struct KanaEntry {
    unsigned char halfWidth;  // 0: no half-width form
    unsigned char first;
    unsigned char second;
};

// JIS X 0208 row 5 (0x2520 to 0x2575) keyed by the JIS X 0201 katakana whose
// full-width form each code is, then the half-width punctuation. A voiced or
// semi-voiced character sits one or two entries after its plain form.
constexpr std::array<unsigned char, 86> kRowFiveKeys = {
    0xA0, 0xA7, 0xB1, 0xA8, 0xB2, 0xA9, 0xB3, 0xAA, 0xB4, 0xAB, 0xB5,  // 20-2A
    0xB6, 0x00, 0xB7, 0x00, 0xB8, 0x00, 0xB9, 0x00, 0xBA, 0x00,        // 2B-34
    0xBB, 0x00, 0xBC, 0x00, 0xBD, 0x00, 0xBE, 0x00, 0xBF, 0x00,        // 35-3E
    0xC0, 0x00, 0xC1, 0x00, 0xAF, 0xC2, 0x00, 0xC3, 0x00, 0xC4, 0x00,  // 3F-49
    0xC5, 0xC6, 0xC7, 0xC8, 0xC9,                                      // 4A-4E
    0xCA, 0x00, 0x00, 0xCB, 0x00, 0x00, 0xCC, 0x00, 0x00,              // 4F-57
    0xCD, 0x00, 0x00, 0xCE, 0x00, 0x00,                                // 58-5D
    0xCF, 0xD0, 0xD1, 0xD2, 0xD3,                                      // 5E-62
    0xAC, 0xD4, 0xAD, 0xD5, 0xAE, 0xD6,                                // 63-68
    0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0x00, 0xDC, 0x00, 0x00, 0xA6, 0xDD,  // 69-73
    0x00, 0x00,                                                        // 74-75
};

constexpr std::array<KanaEntry, 92> MakeKanaTable() {
    std::array<KanaEntry, 92> table{};
    for (std::size_t i = 0; i < kRowFiveKeys.size(); ++i) {
        table[i] = {kRowFiveKeys[i], 0x25, static_cast<unsigned char>(0x20 + i)};
    }
    table[86] = {0xA1, 0x21, 0x23};
    table[87] = {0xA2, 0x21, 0x56};
    table[88] = {0xA3, 0x21, 0x57};
    table[89] = {0xA4, 0x21, 0x22};
    table[90] = {0xA5, 0x21, 0x26};
    table[91] = {0xB0, 0x21, 0x3C};
    return table;
}

constexpr std::array<KanaEntry, 92> kKana = MakeKanaTable();

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

// Worst case of one input position (ESC $ B and a code) plus the closing
// ESC ( J and the NUL.
constexpr std::size_t kStepReserve = 5 + 3 + 1;

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x84) || (c >= 0x88 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEA);
}

bool IsHalfWidthKana(unsigned char c) { return c >= 0xA0 && c <= 0xDF; }

int FindKana(unsigned char key) {
    for (std::size_t i = 0; i < kKana.size(); ++i) {
        if (kKana[i].halfWidth == key) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::size_t ConvertShiftJisToJis(std::string_view text, char* out, std::size_t outSize) {
    if (outSize == 0) return 0;
    const std::size_t length = std::min(text.size(), text.find('\0'));
    const auto in = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t pos = 0;
    bool doubleByte = false;
    const auto put = [&](unsigned char c) { out[pos++] = static_cast<char>(c); };
    const auto enterDoubleByte = [&] {
        if (!doubleByte) {
            put(0x1B);
            put('$');
            put('B');
        }
        doubleByte = true;
    };

    std::size_t i = 0;
    while (i < length && pos + kStepReserve <= outSize) {
        const unsigned char c = in(i);
        if (IsLeadByte(c)) {
            if (i + 1 >= length) break;  // the trail byte is missing
            const unsigned char c2 = in(i + 1);
            const int adjust = c2 < 0x9F ? 1 : 0;
            const int row = (c - (c < 0xA0 ? 0x70 : 0xB0)) * 2 - adjust;
            const int cell = c2 > 0x9E ? c2 - 0x7E : (c2 >= 0x80 ? c2 - 0x20 : c2 - 0x1F);
            enterDoubleByte();
            put(static_cast<unsigned char>(row));
            put(static_cast<unsigned char>(cell));
            i += 2;
        } else if (IsHalfWidthKana(c)) {
            enterDoubleByte();
            const bool markFollows = i + 1 < length &&
                                     (in(i + 1) == kVoicedMark || in(i + 1) == kSemiVoicedMark);
            bool joinMark = markFollows;
            std::size_t offset = markFollows ? (in(i + 1) == kVoicedMark ? 1 : 2) : 0;
            const int entry = FindKana(c);
            // A mark that would point past the table's end is not joined; it
            // then stands alone.
            if (entry >= 0 && entry + offset >= kKana.size()) {
                offset = 0;
                joinMark = false;
            }
            if (entry < 0) {
                put(0x21);
                put(0x21);
            } else {
                const KanaEntry& kana = kKana[entry + offset];
                put(kana.first);
                put(kana.second);
            }
            i += joinMark ? 2 : 1;
        } else {
            if (doubleByte) {
                put(0x1B);
                put('(');
                put('J');
                doubleByte = false;
            }
            put(c);
            ++i;
        }
    }
    if (doubleByte) {
        put(0x1B);
        put('(');
        put('J');
    }
    out[pos] = '\0';
    return pos;
}

std::string ConvertShiftJisToJis(std::string_view text) {
    std::string out(text.size() * 5 + 8, '\0');
    out.resize(ConvertShiftJisToJis(text, out.data(), out.size()));
    return out;
}

}  // namespace quorvane3
