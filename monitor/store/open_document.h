#pragma once

#include "monitor/platform/shell.h"

#include <QString>
#include <cstdint>

namespace ossivant {

// Asks the shell to open a document or web address with the desktop's
// viewer. Returns 0 when it was handed over, else the shell's error code
// (1..32).
std::int32_t OpenDocument(Shell& shell, const QString& target);

}  // namespace ossivant
