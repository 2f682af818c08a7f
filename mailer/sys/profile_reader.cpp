#include "mailer/sys/profile_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>
#include <sstream>

#include "mailer/sys/regular_file.h"

namespace quorvane3 {

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The whole file; nothing when it is not a regular file or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = sys::OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

// The raw value of the first `key` in the first `section` of the file.
std::optional<std::string> FindValue(const std::string& path, std::string_view section,
                                     std::string_view key) {
    std::optional<std::string> contents = ReadWholeFile(path);
    if (!contents) return std::nullopt;
    std::istringstream file(std::move(*contents));
    bool inSection = false;
    bool sectionSeen = false;
    std::string line;
    while (std::getline(file, line)) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == ';') continue;
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close == std::string_view::npos) continue;
            if (inSection) return std::nullopt;  // only the first such section counts
            inSection = !sectionSeen && SameName(Trim(text.substr(1, close - 1)), section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        if (!SameName(Trim(text.substr(0, equals)), key)) continue;
        std::string_view value = Trim(text.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

}  // namespace

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t maxLength) {
    std::optional<std::string> value = FindValue(path, section, key);
    std::string result = value ? std::move(*value) : std::string(defaultValue);
    if (result.size() > maxLength) result.resize(maxLength);
    return result;
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue) {
    const std::optional<std::string> value = FindValue(path, section, key);
    if (!value || value->empty()) return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if ((*value)[i] == '+' || (*value)[i] == '-') negative = (*value)[i++] == '-';
    long long number = 0;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
        number = std::min<long long>(number * 10 + ((*value)[i] - '0'),
                                     std::numeric_limits<int>::max());
    }
    return static_cast<int>(negative ? -number : number);
}

std::string ConfigurationFilePath() {
    const char* path = std::getenv("QUORVANE3_INI");
    return path != nullptr && *path != '\0' ? std::string(path) : "/etc/quorvane3.ini";
}

}  // namespace quorvane3
