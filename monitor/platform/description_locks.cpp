#include "monitor/platform/description_locks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace ossivant::description_locks {

namespace {

using FileId = std::pair<dev_t, ino_t>;

struct LockDescription {
    int fd = -1;           // duplicate that holds the description open
    std::set<int> users;   // the caller's descriptors that locked the file
};

class Descriptions {
public:
    // The descriptor whose description carries the locks of `fd`'s file,
    // or -1 with errno set.
    int forLocking(int fd) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) return -1;
        const FileId id{st.st_dev, st.st_ino};
        std::lock_guard lock(mutex_);
        leaveParentsBehind();
        auto it = files_.find(id);
        if (it == files_.end()) {
            const int owner = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            if (owner < 0) return -1;
            it = files_.emplace(id, LockDescription{owner, {}}).first;
        }
        if (const auto user = fileOf_.find(fd); user != fileOf_.end() && user->second != id) release(fd);
        it->second.users.insert(fd);
        fileOf_[fd] = id;
        return it->second.fd;
    }

    void closing(int fd) {
        std::lock_guard lock(mutex_);
        leaveParentsBehind();
        release(fd);
    }

private:
    // `fd` no longer names a locking descriptor: with the file's last one
    // goes its lock description, and with it any lock still held.
    void release(int fd) {
        const auto user = fileOf_.find(fd);
        if (user == fileOf_.end()) return;
        const auto file = files_.find(user->second);
        fileOf_.erase(user);
        if (file == files_.end()) return;
        file->second.users.erase(fd);
        if (!file->second.users.empty()) return;
        ::close(file->second.fd);
        files_.erase(file);
    }

    // A forked child shares its parent's descriptions, and with them its
    // parent's locks; it lets go of them and locks on its own.
    void leaveParentsBehind() {
        const pid_t self = ::getpid();
        if (self == pid_) return;
        for (const auto& [id, description] : files_) ::close(description.fd);
        files_.clear();
        fileOf_.clear();
        pid_ = self;
    }

    std::mutex mutex_;
    pid_t pid_ = ::getpid();
    std::map<FileId, LockDescription> files_;
    std::map<int, FileId> fileOf_;
};

Descriptions& descriptions() {
    static Descriptions* const all = new Descriptions;  // used until the process ends
    return *all;
}

int descriptionCommand(int command) {
    switch (command) {
    case F_GETLK: return F_OFD_GETLK;
    case F_SETLK: return F_OFD_SETLK;
    case F_SETLKW: return F_OFD_SETLKW;
    default: return -1;
    }
}

}  // namespace

int Fcntl(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    const int ofdCommand = descriptionCommand(command);
    if (ofdCommand < 0) {
        const int argument = va_arg(args, int);
        va_end(args);
        return ::fcntl(fd, command, argument);
    }
    auto* const range = va_arg(args, struct flock*);
    va_end(args);
    const int owner = descriptions().forLocking(fd);
    if (owner < 0) return -1;
    struct flock request = *range;
    request.l_pid = 0;  // required for a description's lock
    const int rc = ::fcntl(owner, ofdCommand, &request);
    if (rc == 0 && command == F_GETLK) *range = request;
    return rc;
}

int Close(int fd) {
    descriptions().closing(fd);
    return ::close(fd);
}

}  // namespace ossivant::description_locks
