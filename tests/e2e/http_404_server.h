#ifndef OSSIVANT_TESTS_E2E_HTTP_404_SERVER_H
#define OSSIVANT_TESTS_E2E_HTTP_404_SERVER_H

// A site for the monitor's end-to-end tests that always answers 404, and a
// way to compare an alert's wrapped text.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "tests/e2e/smtp_sink.h"

namespace e2e {

// The text with every run of blanks and line breaks as one blank.
inline std::string Flattened(const std::string& text) {
    std::string flat;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\n';
        if (!space)
            flat += c;
        else if (!flat.empty() && flat.back() != ' ')
            flat += ' ';
    }
    return flat;
}

// Python's http.server on 127.0.0.1 at a port of the system's choice,
// serving an empty folder, so every page answers 404. Stopped by its pid.
class HttpServer {
public:
    explicit HttpServer(const std::string& root) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        pid_ = Spawn({"/usr/bin/python3", "-u", "-m", "http.server", "--bind", "127.0.0.1",
                      "--directory", root, "0"},
                     &actions);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        out_ = out[0];
        // "Serving HTTP on 127.0.0.1 port 41234 (http://127.0.0.1:41234/) ..."
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pid_ > 0 && port_ == 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0) continue;
            char chunk[512];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) break;
            text.append(chunk, static_cast<std::size_t>(n));
            const auto at = text.find(" port ");
            if (at != std::string::npos && text.find(' ', at + 6) != std::string::npos)
                port_ = static_cast<std::uint16_t>(std::stoi(text.substr(at + 6)));
        }
    }
    ~HttpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            WaitExit(pid_, std::chrono::seconds(10));
        }
        if (out_ >= 0) ::close(out_);
    }
    std::uint16_t port() const { return port_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace e2e

#endif
