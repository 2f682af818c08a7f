#pragma once

#include <QString>

namespace ossivant {

// Starts the interactive tour, `ovtour` in the program folder, without
// waiting for it (it shows itself maximised). False when the program is not
// there, is not executable or cannot be started.
bool StartTourProgram(const QString& programDir);

// What the operator is told when the tour cannot be started.
QString TourMissingMessage();

}  // namespace ossivant
