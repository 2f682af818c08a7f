#pragma once

#include <QString>
#include <QStringList>

namespace ossivant {

// The disk-conservation rule of the check log: the log folder keeps at most
// `maxFiles` files matching "*.ovl" (daily and weekly alike, whatever their
// date) once the current log file exists. The oldest go first: names are
// taken in ascending order without regard to case, so daily files ("D-")
// go before weekly ones ("W-"), each oldest date first. Other files are
// never touched.

// The "*.ovl" files in `logPath` (plain files, extension matched without
// regard to case), in deletion order. Empty when the folder cannot be read.
QStringList ListLogFiles(const QString& logPath);

// Applies the rule for the log file `currentFile` and returns how many files
// were deleted. A file that cannot be deleted is passed over and the next
// one taken, so one stuck file does not let the folder grow without bound.
// A `maxFiles` below 1 deletes nothing.
int PruneLogFiles(const QString& logPath, int maxFiles, const QString& currentFile);

}  // namespace ossivant
