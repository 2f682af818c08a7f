#pragma once

#include <cstdint>
#include <string_view>

#include "mailer/mime/message_writer.h"

namespace quorvane3 {

// MIME label of a body: its charset and Content-Transfer-Encoding.
struct BodyLabel {
    const char* charset;
    const char* encoding;
};

// The label for a Windows character-set number when the body holds 8-bit
// bytes (a 7-bit body is always us-ascii, 7bit).
BodyLabel BodyLabelFor(uint32_t charsetCode);

bool HasEightBitBytes(std::string_view text);

// Writes the text part: its Content-Type and Content-Transfer-Encoding
// lines, an empty line and the body (quoted-printable, ISO-2022-JP for
// Shift-JIS, or as it is), followed by LF.
void WriteTextPart(MessageWriter& out, std::string_view bodyText, uint32_t charsetCode);

}  // namespace quorvane3
