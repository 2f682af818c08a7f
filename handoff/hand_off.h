#pragma once

#include <cstdint>
#include <string>

#include "handoff/mail_job_writer.h"

namespace handoff {

// One mail as the caller of Quorvane3 gives it: UTF-8 texts and the
// character-set name, before conversion.
struct MailRequest {
    std::string spareHost;
    std::string serverHost;
    int32_t serverPort = 0;
    std::string toList;
    std::string ccList;
    std::string fromField;
    std::string replyTo;
    std::string subject;
    std::string bodyText;
    std::string attachmentList;
    int32_t disposeFlag = 0;
    int32_t sparePort = 0;
    std::string charset;
    std::string mailerName;
    int32_t security = 0;  // 0 none, 1 STARTTLS, 2 SSL/TLS
    std::string userName;
    std::string password;
    bool tracked = false;  // quorvane3 reports the outcome and keeps the job for a resend
};

// Where jobs go and which program sends them.
struct HandOffPlaces {
    std::string spoolDir;
    std::string program;
};

// Log level written into every job: every outcome is logged.
inline constexpr int kJobLogLevel = 2;

// Builds the job fields for `mail`, with the control field naming
// `spoolDir`. Returns VBQ3_OK or the code that refuses the mail
// (VBQ3_BAD_MAIL, also for a security mode outside 0..2; VBQ3_BAD_CHARSET).
// The user name and password go into the job as given (UTF-8).
int32_t BuildMailJob(const MailRequest& mail, const std::string& spoolDir, MailJobFields& job);

// Hands `mail` off: makes the spool folder private, writes the job file and
// starts the sender on it. Returns VBQ3_OK or one of the VBQ3_ codes of
// vb_quorvane3.h; on any failure after the job was written it is removed.
// On VBQ3_OK `jobPath`, when given, names the job file.
int32_t HandOffMail(const MailRequest& mail, const HandOffPlaces& places,
                    std::string* jobPath = nullptr);

// Starts the sender again on the tracked job at `jobPath`, which must be a
// regular file in the spool folder; its old outcome record is removed first.
// VBQ3_OK, VBQ3_NO_JOB, VBQ3_NO_PROGRAM or VBQ3_NOT_STARTED.
int32_t ResendJob(const std::string& jobPath, const HandOffPlaces& places);

}  // namespace handoff
