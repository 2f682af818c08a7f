#include "mailer/job/job_fields.h"

#include <limits>

#include "mailer/job/mail_job.h"

namespace quorvane3 {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

ControlField ParseControlField(std::string_view field) {
    field = field.substr(0, field.find('\0'));
    ControlField result;
    const std::size_t first = field.find(',');
    result.logDir = std::string(field.substr(0, first));
    if (first == std::string_view::npos) return result;

    std::size_t previous = first;
    for (std::size_t comma = field.find(',', previous + 1); comma != std::string_view::npos;
         comma = field.find(',', previous + 1)) {
        result.logLevel = LeadingInteger(field.substr(previous + 1, comma - previous - 1));
        result.mailerName = std::string(field.substr(comma + 1).substr(0, kMaxJobText));
        previous = comma;
    }
    return result;
}

std::string DeriveSenderAddress(std::string_view fromField) {
    std::size_t start = 0;
    std::size_t end = fromField.size();
    bool bracketSeen = false;
    for (std::size_t i = 0; i < fromField.size(); ++i) {
        const char c = fromField[i];
        if (c == '\0') {
            end = i;
            break;
        }
        if (c == '<') {
            start = i + 1;
            bracketSeen = true;
        } else if (bracketSeen && (c == '>' || c == ',')) {
            end = i;
            break;
        }
    }
    return std::string(fromField.substr(start, end - start));
}

}  // namespace quorvane3
