#pragma once

#include <QString>
#include <cstdint>

namespace ossivant {

// Numbers as the dialogs' boxes hold them.

// The leading number of a text, read as far as a number goes ("12abc" is 12,
// "7.5" is 7.5, "abc" and "" are 0); blanks before it are skipped.
double LeadingNumber(const QString& text);

// The nearest whole number, halves to the even one, held within int32.
std::int32_t RoundHalfEven(double value);

}  // namespace ossivant
