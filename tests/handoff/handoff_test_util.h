#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace handoff_test {

// A fresh folder under $TMPDIR, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "handoff-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets (or, with nullopt, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string WordLE(uint32_t value) {
    std::string word(4, '\0');
    for (int i = 0; i < 4; ++i) word[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return word;
}

inline unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFF;
}

// Listens on the FIFO "report.fifo" in `dir`, where the fake sender writes
// how it was started, as key=value lines.
class ReportListener {
public:
    explicit ReportListener(const std::string& dir) {
        std::string fifo = dir + "/report.fifo";
        ::mkfifo(fifo.c_str(), 0600);
        fd_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    }
    ~ReportListener() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReportListener(const ReportListener&) = delete;
    ReportListener& operator=(const ReportListener&) = delete;

    // Waits (at most 10 s) for one whole report; empty when none came.
    std::map<std::string, std::string> Wait() {
        std::string text;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (::poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            char buffer[4096];
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0)
                text.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0)
                break;  // the writer has closed
        }
        std::map<std::string, std::string> report;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            auto eq = line.find('=');
            if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return report;
    }

private:
    int fd_ = -1;
};

}  // namespace handoff_test
