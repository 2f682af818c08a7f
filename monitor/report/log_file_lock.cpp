#include "monitor/report/log_file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <ctime>

namespace ossivant {

namespace {

// Closes the descriptor, and with it any lock still held, on every path.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

int OpenFile(const QByteArray& native, int flags) {
    int fd;
    do {
        fd = ::open(native.constData(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool LockWithin(int fd, int operation, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + wait;
    long pauseNs = 100'000;  // 0.1 ms, doubling up to 10 ms
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (Clock::now() >= deadline) return false;
        const timespec pause{0, pauseNs};
        ::nanosleep(&pause, nullptr);
        pauseNs = std::min(pauseNs * 2, 10'000'000L);
    }
}

bool WriteAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

bool HeldLogFile::open(const QString& path) {
    close();
    if (path.isEmpty()) return false;
    path_ = QFile::encodeName(path);
    fd_ = OpenFile(path_, O_WRONLY | O_APPEND | O_CREAT);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        close();
        return false;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    return true;
}

bool HeldLogFile::stillAtItsPath() const {
    struct stat st {};
    return fd_ >= 0 && ::stat(path_.constData(), &st) == 0 && st.st_dev == device_ &&
           st.st_ino == inode_;
}

bool HeldLogFile::append(const QByteArray& line, std::chrono::milliseconds lockWait) const {
    if (fd_ < 0) return false;
    // A lock that cannot be had is a step that failed: it is skipped and the
    // line is still written, in one write() so that it stays in one piece
    // for every writer appending to the file.
    const bool locked = LockWithin(fd_, LOCK_EX, lockWait);
    const bool written = WriteAll(fd_, line.constData(), line.size());
    if (locked) ::flock(fd_, LOCK_UN);
    return written;
}

void HeldLogFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::optional<QByteArray> ReadLocked(const QString& path) {
    const FileDescriptor file(OpenFile(QFile::encodeName(path), O_RDONLY));
    if (file.get() < 0) return std::nullopt;
    const bool locked = LockWithin(file.get(), LOCK_SH, kLogLockWait);
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        content.append(buffer, n);
    }
    if (locked) ::flock(file.get(), LOCK_UN);
    return content;
}

}  // namespace ossivant
