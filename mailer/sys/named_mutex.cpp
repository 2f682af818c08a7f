#include "mailer/sys/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

namespace quorvane3::sys {

namespace {

// flock() has no timed wait; the wait tries again at this pace.
constexpr auto kRetryStep = std::chrono::milliseconds(2);

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

NamedMutex::~NamedMutex() {
    Close();
}

std::string NamedMutex::LockPath(const std::string& name) {
    return TempFolder() + "/" + name + ".lock";
}

bool NamedMutex::Create(const std::string& name) {
    Close();
    const std::string path = LockPath(name);
    // The temporary folder is shared: never follow a planted link. Another
    // user's lock file may only be readable, which is enough for flock().
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) return false;
    int rc;
    while ((rc = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0) {
        owned_ = true;
        alreadyExisted_ = false;
        return true;
    }
    if (errno != EWOULDBLOCK) {
        Close();
        return false;
    }
    alreadyExisted_ = true;
    return true;
}

NamedMutex::WaitResult NamedMutex::Wait(std::chrono::milliseconds bound) {
    if (fd_ < 0) return WaitResult::kFailed;
    if (owned_) return WaitResult::kAcquired;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            owned_ = true;
            return WaitResult::kAcquired;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return WaitResult::kFailed;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return WaitResult::kTimeout;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kRetryStep, deadline - now));
    }
}

void NamedMutex::Release() {
    if (fd_ >= 0 && owned_) ::flock(fd_, LOCK_UN);
    owned_ = false;
}

void NamedMutex::Close() {
    Release();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    alreadyExisted_ = false;
}

}  // namespace quorvane3::sys
