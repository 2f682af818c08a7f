#include "mailer/job/delivery_outcome.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace quorvane3 {

namespace {

// The record is four lines:
//   Q3OUTCOME 1
//   state=delivered|may-pass|permanent
//   finished=<unix seconds>
//   cause=<words>
constexpr std::string_view kFirstLine = "Q3OUTCOME 1";
constexpr std::size_t kLongestRecord = 64 * 1024;

std::string_view StateWord(DeliveryState state) {
    switch (state) {
        case DeliveryState::kDelivered: return "delivered";
        case DeliveryState::kPermanent: return "permanent";
        case DeliveryState::kMayPass: break;
    }
    return "may-pass";
}

std::optional<DeliveryState> StateFromWord(std::string_view word) {
    if (word == "delivered") return DeliveryState::kDelivered;
    if (word == "may-pass") return DeliveryState::kMayPass;
    if (word == "permanent") return DeliveryState::kPermanent;
    return std::nullopt;
}

// The cause stays on its line: line breaks a server might have sent become spaces.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return line;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Takes the line starting with `key` off the front of `rest`; nothing when
// the line is missing, named otherwise or not ended.
std::optional<std::string_view> TakeLine(std::string_view& rest, std::string_view key) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos || rest.substr(0, key.size()) != key) return std::nullopt;
    const std::string_view value = rest.substr(key.size(), end - key.size());
    rest.remove_prefix(end + 1);
    return value;
}

}  // namespace

std::string OutcomeRecordPath(const std::string& jobPath) { return jobPath + ".outcome"; }

bool WriteOutcomeRecord(const std::string& jobPath, const DeliveryOutcome& outcome) {
    const std::string record = OutcomeRecordPath(jobPath);
    std::string pending = record + ".XXXXXX";
    const int fd = ::mkstemp(pending.data());
    if (fd < 0) return false;
    std::string text(kFirstLine);
    text += "\nstate=";
    text += StateWord(outcome.state);
    text += "\nfinished=" + std::to_string(outcome.finishedAt);
    text += "\ncause=" + OneLine(outcome.cause) + "\n";
    const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(pending.c_str(), record.c_str()) != 0) {
        ::unlink(pending.c_str());
        return false;
    }
    return true;
}

std::optional<DeliveryOutcome> ReadOutcomeRecord(const std::string& jobPath) {
    const int fd = ::open(OutcomeRecordPath(jobPath).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while (text.size() <= kLongestRecord &&
           ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))) {
        if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (got < 0 || text.size() > kLongestRecord) return std::nullopt;

    std::string_view rest = text;
    const auto first = TakeLine(rest, kFirstLine);
    if (!first || !first->empty()) return std::nullopt;
    const auto state = TakeLine(rest, "state=");
    const auto finished = TakeLine(rest, "finished=");
    const auto cause = TakeLine(rest, "cause=");
    if (!state || !finished || !cause || !rest.empty()) return std::nullopt;

    DeliveryOutcome outcome;
    const auto parsedState = StateFromWord(*state);
    if (!parsedState) return std::nullopt;
    outcome.state = *parsedState;
    const char* end = finished->data() + finished->size();
    const auto [stop, error] = std::from_chars(finished->data(), end, outcome.finishedAt);
    if (finished->empty() || error != std::errc() || stop != end) return std::nullopt;
    outcome.cause = std::string(*cause);
    return outcome;
}

}  // namespace quorvane3
