#pragma once

#include <sys/types.h>

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

// A log file held open for appending line after line. Each line is written
// whole in one write() under the exclusive lock, and lands at the end of the
// file as it is then, whatever other writers added meanwhile. When the lock
// cannot be had within the wait the line is written without it.
class HeldLogFile {
public:
    HeldLogFile() = default;
    ~HeldLogFile() { close(); }
    HeldLogFile(const HeldLogFile&) = delete;
    HeldLogFile& operator=(const HeldLogFile&) = delete;

    // Opens `path` for appending, creating the file but never its folder.
    bool open(const QString& path);
    bool isOpen() const { return fd_ >= 0; }
    // False once the path it was opened at names another file or none: the
    // file was removed, renamed or replaced, or its folder went.
    bool stillAtItsPath() const;
    // False when the line could not be written whole.
    bool append(const QByteArray& line, std::chrono::milliseconds lockWait = kLogLockWait) const;
    void close();

private:
    int fd_ = -1;
    QByteArray path_;  // as the file system spells it
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// The whole file, read under the shared lock; nullopt when it cannot be read.
std::optional<QByteArray> ReadLocked(const QString& path);

}  // namespace ossivant
