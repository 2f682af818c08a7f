#pragma once

#include <chrono>
#include <string>

namespace quorvane3::sys {

// A system-wide named mutex between processes of this user and others: an
// flock() lock on the file "<name>.lock" in the temporary folder ($TMPDIR,
// default /tmp). The lock dies with its owner, which is how an abandoned
// mutex is passed on. "Already existed" means another process held the lock
// when this one asked for it.
class NamedMutex {
public:
    enum class WaitResult {
        kAcquired,  // also when a dead owner left it
        kTimeout,
        kFailed,
    };

    NamedMutex() = default;
    ~NamedMutex();  // releases and closes
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens (creating when missing) the mutex and tries to own it at once.
    // False when it cannot be opened at all.
    bool Create(const std::string& name);
    bool AlreadyExisted() const { return alreadyExisted_; }
    bool Owned() const { return owned_; }

    // Waits up to `bound` for ownership.
    WaitResult Wait(std::chrono::milliseconds bound);
    void Release();
    void Close();

    // Where the mutex named `name` lives.
    static std::string LockPath(const std::string& name);

private:
    int fd_ = -1;
    bool owned_ = false;
    bool alreadyExisted_ = false;
};

}  // namespace quorvane3::sys
