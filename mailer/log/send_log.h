#ifndef QUORVANE3_LOG_SEND_LOG_H
#define QUORVANE3_LOG_SEND_LOG_H

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane3 {

struct MailJob;

// Outcome of a run as the send log records it.
enum class SendOutcome : int {
    kAborted = -1,
    kFailed = -2,
    kDelivered = 1,
};

// The outcome for a completion notice of the SMTP session (0 aborted,
// 1 delivered, 2 failed; any other value counts as failed).
SendOutcome OutcomeFromNotice(long notice);

// Name of the send log for a local date: "YYYYMMWW.log", WW being the week
// of the month (days 1-6 are week 01, 7-13 week 02, ... 28-31 week 05).
std::string SendLogFileName(const std::tm& localTime);

// One whole log line, CR LF included. CR and LF inside the texts become
// blanks, so one run always gives exactly one line; a NUL byte ends a text.
// A failure with a cause names it after the error: ", Cause:<words>".
std::string SendLogLine(SendOutcome outcome, std::string_view sender, std::string_view to,
                        std::string_view title, const std::tm& localTime,
                        std::string_view cause = {});

// The send log of one run, in the job's folder. The level is the job's; when
// the job gives none (-1) it comes from the configuration, read at most once.
// Level 0 logs nothing, level 1 only failures and aborts, any other level
// every outcome. Each line is appended with a single write on a file opened
// for appending, so copies of the program writing at the same time never
// mix or lose lines. A log path that is not a regular file is left alone.
// Every failure is silent.
class SendLog {
public:
    SendLog(std::string logDir, int32_t jobLevel,
            std::function<int()> configuredLevel = nullptr);

    void Write(SendOutcome outcome, std::string_view sender, std::string_view to,
               std::string_view title, std::string_view cause = {});
    void Write(SendOutcome outcome, std::string_view sender, std::string_view to,
               std::string_view title, const std::tm& localTime, std::string_view cause = {});

    // The level in force (reads the configuration when the job gave none).
    int Level();

private:
    std::string logDir_;
    int32_t jobLevel_;
    std::function<int()> configuredLevel_;
    std::optional<int> level_;
};

// Logs the outcome of `job`'s run with its folder and level. The cause is
// logged for a job with the security extension; a job without it keeps the
// line it always had.
void WriteSendLog(const MailJob& job, SendOutcome outcome, std::string_view sender,
                  std::string_view to, std::string_view title, std::string_view cause = {});

}  // namespace quorvane3

#endif
