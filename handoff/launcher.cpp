#include "handoff/launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace handoff {
namespace {

// What the middle or the last process reports through the status pipe when
// it fails: the stage and errno. Nothing arrives when the program runs.
struct Failure {
    int stage;  // 1 fork of the program failed, 2 exec failed
    int error;
};

void Report(int fd, int stage, int error) {
    Failure failure{stage, error};
    ssize_t ignored = ::write(fd, &failure, sizeof failure);
    (void)ignored;
}

// Runs in the last process, between fork and exec: only async-signal-safe
// calls from here on, since the caller may have other threads.
[[noreturn]] void ExecProgram(int statusFd, const char* program, char* const argv[], int maxFd) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &standard, nullptr);

    // Move the status pipe above the standard descriptors, point those at
    // /dev/null, then close everything else the caller had open.
    int status = ::fcntl(statusFd, F_DUPFD_CLOEXEC, 3);
    if (status < 0) status = statusFd;
    int null = ::open("/dev/null", O_RDWR);
    if (null < 0) {
        Report(status, 2, errno);
        ::_exit(127);
    }
    for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
    if (status != 3) {
        ::dup3(status, 3, O_CLOEXEC);
        status = 3;
    }
    if (::close_range(4, ~0U, 0) != 0)
        for (int fd = 4; fd < maxFd; ++fd) ::close(fd);

    ::execve(program, argv, environ);
    Report(status, 2, errno);
    ::_exit(127);
}

bool IsMissingProgram(int error) {
    return error == ENOENT || error == EACCES || error == ENOEXEC || error == ENOTDIR ||
           error == ELOOP || error == ENAMETOOLONG || error == EISDIR || error == EPERM;
}

}  // namespace

StartResult StartDetached(const std::string& program, const std::string& argument) {
    if (::access(program.c_str(), X_OK) != 0) return StartResult::kNoProgram;

    // Everything the children need is prepared before fork.
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()),
                    nullptr};
    rlimit limit{};
    int maxFd = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                        limit.rlim_cur < 65536
                    ? static_cast<int>(limit.rlim_cur)
                    : 65536;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return StartResult::kNotStarted;

    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return StartResult::kNotStarted;
    }
    if (middle == 0) {
        // The middle process leaves the caller's session, starts the program
        // and ends at once, so that the program is adopted by init.
        ::close(pipeFds[0]);
        ::setsid();
        // _Fork runs no fork handlers: the caller's other threads are gone
        // here, and their handlers could wait for locks they held.
        pid_t last = ::_Fork();
        if (last < 0) {
            Report(pipeFds[1], 1, errno);
            ::_exit(1);
        }
        if (last == 0) ExecProgram(pipeFds[1], program.c_str(), argv, maxFd);
        ::_exit(0);
    }

    ::close(pipeFds[1]);
    Failure failure{};
    std::size_t got = 0;
    while (got < sizeof failure) {
        ssize_t n =
            ::read(pipeFds[0], reinterpret_cast<char*>(&failure) + got, sizeof failure - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(pipeFds[0]);
    // The middle process ends right after its fork; reaping it cannot block
    // for long. ECHILD (the caller ignores SIGCHLD) is fine as well.
    int middleStatus = 0;
    pid_t reaped;
    do {
        reaped = ::waitpid(middle, &middleStatus, 0);
    } while (reaped < 0 && errno == EINTR);

    if (got == 0) {
        // Silence means exec succeeded, unless the middle process died
        // before it could start the program.
        bool middleFailed =
            reaped == middle && !(WIFEXITED(middleStatus) && WEXITSTATUS(middleStatus) == 0);
        return middleFailed ? StartResult::kNotStarted : StartResult::kStarted;
    }
    if (got < sizeof failure) return StartResult::kNotStarted;
    if (failure.stage == 2 && IsMissingProgram(failure.error)) return StartResult::kNoProgram;
    return StartResult::kNotStarted;
}

}  // namespace handoff
