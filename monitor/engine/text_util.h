#pragma once

#include <QString>

namespace ossivant {

// The text without leading and trailing blanks (spaces only; other white
// space is content, as it is for the rest of the monitor's trimming).
inline QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

}  // namespace ossivant
