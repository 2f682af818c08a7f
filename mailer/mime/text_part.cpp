#include "mailer/mime/text_part.h"

#include <string>

#include "mailer/mime/quoted_printable.h"
#include "mailer/mime/shift_jis.h"

namespace quorvane3 {

namespace {
constexpr uint32_t kShiftJis = 128;
}

BodyLabel BodyLabelFor(uint32_t charsetCode) {
    switch (charsetCode) {
        case 0:
        case 163:
        case 222:
        case 255:
            return {"iso-8859-1", "quoted-printable"};
        case kShiftJis:
            return {"iso-2022-jp", "7bit"};
        case 129:
            return {"EUC-KR", "quoted-printable"};
        case 130:
        case 177:
        case 178:
        case 204:
        case 238:
            return {"iso-8859-2", "quoted-printable"};
        case 134:
            return {"gb2312", "quoted-printable"};
        case 136:
            return {"big5", "quoted-printable"};
        case 161:
            return {"iso-8859-7", "quoted-printable"};
        case 162:
            return {"iso-8859-9", "quoted-printable"};
        default:
            return {"us-ascii", "7bit"};
    }
}

bool HasEightBitBytes(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

void WriteTextPart(MessageWriter& out, std::string_view body, uint32_t charsetCode) {
    const bool eightBit = HasEightBitBytes(body);
    const BodyLabel label = eightBit ? BodyLabelFor(charsetCode) : BodyLabel{"us-ascii", "7bit"};
    out.Put("Content-Type: text/plain; charset=");
    out.Put(label.charset);
    out.Put("\nContent-Transfer-Encoding: ");
    out.Put(label.encoding);
    out.Put("\n\n");
    if (!eightBit) {
        out.Put(body);
    } else if (charsetCode == kShiftJis) {
        out.Put(ConvertShiftJisToJis(body));
    } else if (std::string_view(label.encoding) == "quoted-printable") {
        out.Put(EncodeQuotedPrintable(body));
    } else {
        out.Put(body);
    }
    out.Put("\n");
}

}  // namespace quorvane3
