#ifndef QUORVANE3_JOB_JOB_FIELDS_H
#define QUORVANE3_JOB_JOB_FIELDS_H

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane3 {

// What the control field of a job names: "folder[,level,mailer name]".
struct ControlField {
    std::string logDir;
    int32_t logLevel = -1;
    std::string mailerName;
};

// Splits a control field. With one comma only the folder counts; with more,
// the value before the last comma is the level and the text after it the
// mailer name (cut to 259 bytes). The field ends at its first NUL byte.
ControlField ParseControlField(std::string_view field);

// The envelope sender inside a From field: the text after the last '<' up to
// a following '>' or ','; without '<' the whole field. A NUL byte ends it.
std::string DeriveSenderAddress(std::string_view fromField);

// Decimal value of the leading part of `text` as C's atoi reads it (blanks,
// optional sign, digits); no digits give 0, values beyond 32 bits saturate.
int32_t LeadingInteger(std::string_view text);

}  // namespace quorvane3

#endif
