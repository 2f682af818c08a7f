#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>

namespace ossivant {

// Whole-line access to a log file shared with other processes (the log viewer,
// other copies of the monitor). A writer appends each line while it holds an
// exclusive lock on the file; a reader that takes the shared lock therefore
// never sees half a line.
//
// The lock is flock() on the log file itself, not fcntl() record locks and
// not a separate lock file: an flock lock belongs to the open file, so two
// opens in one process exclude each other just as two processes do, closing
// some other descriptor of the file does not drop it, and the kernel releases
// it when its holder dies, so a crashed viewer never leaves the log locked.
// Nothing is left behind in the log folder, where every file may be a log.

// How long a writer waits for the lock before it writes anyway. Lines are
// short and locks are held for one write, so the wait only runs out when a
// reader hangs with the file locked; the check cycle must not hang with it.
inline constexpr std::chrono::milliseconds kLogLockWait{1000};

// Opens `path` for appending (creating it, never its folder), locks it, writes
// `line` whole, unlocks and closes it. When the lock cannot be had within
// `lockWait` the line is written without it. Returns false when the file
// could not be opened or the line not written whole.
bool AppendLocked(const QString& path, const QByteArray& line,
                  std::chrono::milliseconds lockWait = kLogLockWait);

// The whole file, read under the shared lock; nullopt when it cannot be read.
std::optional<QByteArray> ReadLocked(const QString& path);

}  // namespace ossivant
