#include "monitor/platform/file_change_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace ossivant {

namespace {
// Only writes count: a reader opening and closing a file changes nothing.
constexpr std::uint32_t kWatched = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;
// Events after which the watch no longer covers the file it was set on.
constexpr std::uint32_t kWatchLost = IN_MOVE_SELF | IN_DELETE_SELF | IN_IGNORED | IN_Q_OVERFLOW;
}  // namespace

FileChangeWatch::~FileChangeWatch() { stop(); }

bool FileChangeWatch::watch(const std::vector<std::string>& paths) {
    stop();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    for (const std::string& path : paths) {
        if (inotify_add_watch(fd_, path.c_str(), kWatched) < 0) {
            stop();
            return false;
        }
    }
    return true;
}

void FileChangeWatch::stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileChangeWatch::changed() {
    if (fd_ < 0) return true;
    bool any = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return any;
        if (n <= 0) {
            stop();
            return true;
        }
        any = true;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & kWatchLost) {
                stop();
                return true;
            }
            at += ssize_t(sizeof event) + ssize_t(event.len);
        }
    }
}

}  // namespace ossivant
