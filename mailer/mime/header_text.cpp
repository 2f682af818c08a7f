#include "mailer/mime/header_text.h"

#include <algorithm>

#include "mailer/mime/base64.h"
#include "mailer/mime/shift_jis.h"

namespace quorvane3 {

namespace {

enum class WordKind { kNone, kQ, kB };

struct WordCharset {
    const char* name = nullptr;
    WordKind kind = WordKind::kNone;
};

WordCharset CharsetFor(uint32_t charsetCode) {
    switch (charsetCode) {
        case 0:
        case 163:
        case 222:
        case 255:
            return {"iso-8859-1", WordKind::kQ};
        case 161:
            return {"iso-8859-7", WordKind::kQ};
        case 162:
            return {"iso-8859-9", WordKind::kQ};
        case 130:
        case 177:
        case 178:
        case 204:
        case 238:
            return {"iso-8859-2", WordKind::kQ};
        case 129:
            return {"EUC-KR", WordKind::kB};
        case 134:
            return {"gb2312", WordKind::kB};
        case 136:
            return {"big5", WordKind::kB};
        case 128:
            return {"iso-2022-jp", WordKind::kB};
        default:
            return {};
    }
}

// Characters a Q word may carry as they are in every header position,
// including a phrase (RFC 2047 section 5, rule 3).
bool IsQLiteral(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '!' || c == '*' || c == '+' || c == '-' || c == '/';
}

void AppendQWords(std::string& out, std::string_view text, const char* charset,
                  WordJoin join) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string open = std::string("=?") + charset + "?Q?";
    const std::size_t room = kMaxEncodedWord - open.size() - 2;
    std::size_t used = 0;
    out += open;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        char unit[3];
        std::size_t unitSize = 1;
        if (IsQLiteral(c)) {
            unit[0] = ch;
        } else if (c == ' ') {
            unit[0] = '_';
        } else {
            unit[0] = '=';
            unit[1] = kHex[c >> 4];
            unit[2] = kHex[c & 0x0F];
            unitSize = 3;
        }
        if (used + unitSize > room) {
            out += "?=";
            out += join == WordJoin::kFold ? "\n " : " ";
            out += open;
            used = 0;
        }
        out.append(unit, unitSize);
        used += unitSize;
    }
    out += "?=";
}

void AppendBWord(std::string& out, std::string_view text, const char* charset,
                 uint32_t charsetCode) {
    std::string converted;
    if (charsetCode == 128) {
        converted = ConvertShiftJisToJis(text);
        text = converted;
    }
    char encoded[kBase64TextBuffer];
    EncodeBase64Text(text, encoded, sizeof encoded);
    out += "=?";
    out += charset;
    out += "?B?";
    out += encoded;
    out += "?=";
}

}  // namespace

void EncodeHeaderText(std::string& out, std::string_view text, uint32_t charsetCode,
                      WordJoin join) {
    text = text.substr(0, text.find('\0'));
    const bool eightBit = std::any_of(text.begin(), text.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const WordCharset charset = CharsetFor(charsetCode);
    if (!eightBit || charset.kind == WordKind::kNone) {
        out += text;
    } else if (charset.kind == WordKind::kQ) {
        AppendQWords(out, text, charset.name, join);
    } else {
        AppendBWord(out, text, charset.name, charsetCode);
    }
}

std::string EncodeHeaderText(std::string_view text, uint32_t charsetCode, WordJoin join) {
    std::string out;
    EncodeHeaderText(out, text, charsetCode, join);
    return out;
}

}  // namespace quorvane3
