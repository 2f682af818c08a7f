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

FileChangeWatch::~FileChangeWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileChangeWatch::watch(const std::vector<std::string>& paths) {
    stop();
    if (fd_ < 0) fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    for (const std::string& path : paths) {
        const int wd = inotify_add_watch(fd_, path.c_str(), kWatched);
        if (wd < 0) {
            stop();
            return false;
        }
        watches_.push_back(wd);
    }
    return true;
}

void FileChangeWatch::stop() {
    if (watches_.empty()) return;
    for (const int wd : watches_) inotify_rm_watch(fd_, wd);
    watches_.clear();
    bool lost = false;
    drain(&lost);  // what came before, and the removals' own notices
}

bool FileChangeWatch::changed() {
    if (!watching()) return true;
    bool lost = false;
    const bool any = drain(&lost);
    if (lost) stop();
    return any;
}

bool FileChangeWatch::drain(bool* lost) {
    bool any = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return any;
        if (n <= 0) {
            *lost = true;
            return true;
        }
        any = true;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & kWatchLost) *lost = true;
            at += ssize_t(sizeof event) + ssize_t(event.len);
        }
    }
}

}  // namespace ossivant
