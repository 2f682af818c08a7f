#pragma once

#include <QString>

namespace ossivant {

// True when the text is empty or holds only blanks. Tabs and other white space
// count as content, as they do for the monitor's other trimmed settings.
inline bool IsBlank(const QString& text) {
    for (QChar c : text) {
        if (c != QLatin1Char(' ')) return false;
    }
    return true;
}

}  // namespace ossivant
