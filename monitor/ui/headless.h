#pragma once

#include <QString>

namespace ossivant {

// The monitor without windows, for machines without a display: loads
// everything as the windowed start-up does and runs the check engine on its
// two one-second timers, printing on standard output what the main window
// would show. Runs until the process is stopped.
int RunHeadless(const QString& programDir);

}  // namespace ossivant
