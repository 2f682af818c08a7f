#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace e2e {

// One mail as the local SMTP server received and parsed it.
struct ReceivedMail {
    struct Attachment {
        std::string fileName;
        std::string contentType;
        std::string path;  // the decoded bytes
    };
    std::string from;
    std::vector<std::string> recipients;
    std::string rawPath;
    std::vector<std::string> defects;
    std::vector<std::pair<std::string, std::string>> headers;  // decoded values, UTF-8
    std::string body;
    std::vector<Attachment> attachments;

    // The decoded value of the first header of that name; "<missing>" when none.
    std::string Header(const std::string& name) const {
        for (const auto& [key, value] : headers) {
            if (key == name) return value;
        }
        return "<missing>";
    }
};

inline std::string Unhex(const std::string& hex) {
    if (hex == "-") return {};
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

// Waits (at most `bound`) for the process to end; its exit code, 128 + the
// signal that ended it, or -1 when it is still running (it is then killed).
inline int WaitExit(pid_t pid, std::chrono::milliseconds bound) {
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(bound.count()));
        ::close(pidfd);
        if (ready <= 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return -1;
        }
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts `argv[0]` with the caller's environment; its pid, or -1.
inline pid_t Spawn(const std::vector<std::string>& args,
                   posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

// The local SMTP server of Python's aiosmtpd (tests/e2e/smtp_sink.py) on
// 127.0.0.1, started for one test and stopped by its own process id.
class SmtpSink {
public:
    // `extra`: further options of the script (--tls DIR, --implicit).
    explicit SmtpSink(const std::string& outDir, bool quiet = false,
                      const std::vector<std::string>& extra = {}) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<std::string> args{"/usr/bin/python3", SMTP_SINK_SCRIPT, "--out", outDir};
        if (quiet) args.push_back("--quiet");
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = Spawn(args, &actions);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        std::string line;
        if (pid_ > 0 && ReadLine(&line, std::chrono::seconds(20)) && line.rfind("PORT ", 0) == 0) {
            port_ = static_cast<uint16_t>(std::stoi(line.substr(5)));
        }
    }
    ~SmtpSink() {
        if (stdin_ >= 0) ::close(stdin_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            WaitExit(pid_, std::chrono::seconds(10));
        }
        if (stdout_ >= 0) ::close(stdout_);
    }
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    // 0 when the server did not come up.
    uint16_t Port() const { return port_; }

    // The next mail the server received, waiting at most `bound`.
    std::optional<ReceivedMail> Next(std::chrono::milliseconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        std::string line;
        do {
            if (!ReadLine(&line, Left(deadline))) return std::nullopt;
        } while (line.rfind("MESSAGE", 0) != 0);
        ReceivedMail mail;
        while (ReadLine(&line, Left(deadline)) && line != "END") {
            const auto blank = line.find(' ');
            const std::string key = line.substr(0, blank);
            const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
            if (key == "from") mail.from = Unhex(rest);
            if (key == "rcpt") mail.recipients.push_back(Unhex(rest));
            if (key == "raw") mail.rawPath = rest;
            if (key == "defect") mail.defects.push_back(Unhex(rest));
            if (key == "body") mail.body = Unhex(rest);
            if (key == "header") {
                const auto second = rest.find(' ');
                mail.headers.emplace_back(Unhex(rest.substr(0, second)),
                                          Unhex(rest.substr(second + 1)));
            }
            if (key == "attachment") {
                const auto second = rest.find(' ');
                const auto third = rest.find(' ', second + 1);
                mail.attachments.push_back({Unhex(rest.substr(0, second)),
                                            Unhex(rest.substr(second + 1, third - second - 1)),
                                            rest.substr(third + 1)});
            }
        }
        if (line != "END") return std::nullopt;
        return mail;
    }

private:
    static std::chrono::milliseconds Left(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return left.count() > 0 ? left : std::chrono::milliseconds(0);
    }

    bool ReadLine(std::string* line, std::chrono::milliseconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (;;) {
            const auto eol = buffer_.find('\n');
            if (eol != std::string::npos) {
                *line = buffer_.substr(0, eol);
                buffer_.erase(0, eol + 1);
                return true;
            }
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(Left(deadline).count())) <= 0) return false;
            char chunk[65536];
            const ssize_t n = ::read(stdout_, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    uint16_t port_ = 0;
    std::string buffer_;
};

}  // namespace e2e
