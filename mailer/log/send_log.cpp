#include "mailer/log/send_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "mailer/job/mail_job.h"
#include "mailer/log/configuration.h"
#include "mailer/sys/regular_file.h"

namespace quorvane3 {

namespace {

void AppendField(std::string& line, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    for (const char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

SendOutcome OutcomeFromNotice(long notice) {
    switch (notice) {
        case 0:
            return SendOutcome::kAborted;
        case 1:
            return SendOutcome::kDelivered;
        default:
            return SendOutcome::kFailed;
    }
}

std::string SendLogFileName(const std::tm& localTime) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d.log", localTime.tm_year + 1900,
                  localTime.tm_mon + 1, localTime.tm_mday / 7 + 1);
    return name;
}

std::string SendLogLine(SendOutcome outcome, std::string_view sender, std::string_view to,
                        std::string_view title, const std::tm& localTime,
                        std::string_view cause) {
    char head[96];
    std::snprintf(head, sizeof head, "%02d/%02d/%02d %02d:%02d:%02d    %s to send a mail ",
                  localTime.tm_year + 1900, localTime.tm_mon + 1, localTime.tm_mday,
                  localTime.tm_hour, localTime.tm_min, localTime.tm_sec,
                  outcome == SendOutcome::kDelivered ? "Succeeded" : "Failed");
    std::string line = head;
    line += "[From:";
    AppendField(line, sender);
    line += ", To:";
    AppendField(line, to);
    line += ", Title:";
    AppendField(line, title);
    switch (outcome) {
        case SendOutcome::kAborted:
            line += ", Error:RESULT_ABORT]\r\n";
            break;
        case SendOutcome::kFailed:
            line += ", Error:RESULT_FAILURE";
            if (!cause.empty()) {
                line += ", Cause:";
                AppendField(line, cause);
            }
            line += "]\r\n";
            break;
        case SendOutcome::kDelivered:
            line += ", Error:RESULT_SUCCESS]\r\n";
            break;
    }
    return line;
}

SendLog::SendLog(std::string logDir, int32_t jobLevel, std::function<int()> configuredLevel)
    : logDir_(std::move(logDir)),
      jobLevel_(jobLevel),
      configuredLevel_(configuredLevel ? std::move(configuredLevel) : ReadConfiguredLogLevel) {}

int SendLog::Level() {
    if (!level_) level_ = jobLevel_ == -1 ? configuredLevel_() : jobLevel_;
    return *level_;
}

void SendLog::Write(SendOutcome outcome, std::string_view sender, std::string_view to,
                    std::string_view title, std::string_view cause) {
    Write(outcome, sender, to, title, LocalNow(), cause);
}

void SendLog::Write(SendOutcome outcome, std::string_view sender, std::string_view to,
                    std::string_view title, const std::tm& localTime, std::string_view cause) {
    const int level = Level();
    if (level == 0 || (level == 1 && outcome == SendOutcome::kDelivered)) return;

    const std::string path = logDir_ + "/" + SendLogFileName(localTime);
    const int fd = sys::OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    const std::string line = SendLogLine(outcome, sender, to, title, localTime, cause);
    // One write per line: with O_APPEND the kernel places each whole line at
    // the end, whatever other processes append meanwhile.
    while (::write(fd, line.data(), line.size()) < 0 && errno == EINTR) {
    }
    ::close(fd);
}

void WriteSendLog(const MailJob& job, SendOutcome outcome, std::string_view sender,
                  std::string_view to, std::string_view title, std::string_view cause) {
    // Tracking alone does not change the line: a tracked job logs the cause
    // exactly when the same job handed off untracked would.
    const bool loginJob = job.security != 0 || !job.userName.empty();
    const bool logCause = job.hasExtension && (loginJob || !job.tracked);
    SendLog(job.logDir, job.logLevel)
        .Write(outcome, sender, to, title, logCause ? cause : std::string_view{});
}

}  // namespace quorvane3
