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
int32_t HandOffMail(const MailRequest& mail, const HandOffPlaces& places);

}  // namespace handoff
