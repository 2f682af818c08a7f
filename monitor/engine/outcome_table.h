#pragma once

#include <QString>

namespace ossivant {

// What a status code of a complete response means: a success (SiteCheckOK),
// or a failure with its alert code and result text (SiteCheckUpdate).
struct ProbeOutcome {
    bool ok = false;
    QString alertCode;
    QString resultText;
};

// The outcome table. Only 200, 201, 202, 302 and 304 are successes. Codes are
// compared by numeric value and the rows are tried from the top: 0, the known
// codes, codes that are not three characters or not a number, then the
// classes 1xx to 5xx by the first character, then anything else.
ProbeOutcome ClassifyStatusCode(const QString& statusCode);

}  // namespace ossivant
