#pragma once

#include <QString>
#include <optional>

namespace ossivant {

// The status code of a response header: the three characters after the first
// blank that follows the first "HTTP/" (found without regard to case),
// rewritten as a plain number; "0" when there is no such text or it is not a
// three-character number. "HTTP/1.1 200 OK" gives "200"; two blanks after the
// version give "0" (" 20" becomes the two-character 20).
QString GetResponseCode(const QString& szHeader);

// The value of a text that reads as a decimal number: blanks around it, a
// sign, a fraction and an exponent are allowed. nullopt otherwise.
std::optional<double> NumericValue(const QString& text);

// A number's plain decimal text: no leading zeros, no exponent where the
// value is a whole number ("007" reads as 7, "1e2" as 100).
QString GeneralNumberText(double value);

}  // namespace ossivant
