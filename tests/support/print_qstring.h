#pragma once

#include <QString>
#include <ostream>

// Shows a QString as text in test output.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
