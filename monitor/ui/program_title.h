#pragma once

#include <QString>

namespace ossivant {

// The program title every message box carries.
inline const QString kProgramTitle = QStringLiteral("Ossivant");

}  // namespace ossivant
