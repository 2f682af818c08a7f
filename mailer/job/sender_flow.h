#pragma once

#include <string>

#include "mailer/job/copy_coordination.h"
#include "mailer/net/smtp_timeouts.h"

namespace quorvane3 {

struct SenderOptions {
    SmtpTimeouts timeouts;
    CoordinationLimits coordination;
};

// One run of quorvane3 for the job file at `jobPath`: read the job, wait for
// the other copies' start-up, record the run, compose and deliver the mail
// on the event loop, log the outcome, then delete the job file (and the
// attachment when the job asks for it). Returns the exit code: 0 on every
// orderly path; a fatal error of the socket layer or the SMTP session ends
// the process with 1 before this returns. A run that stops before sending
// (empty path, unreadable job, mutex or socket layer failing) keeps the job.
// A tracked job gets its outcome record (outcome_report.h) on every end
// after it was read, also the fatal one, and stays for a resend when its
// failure may pass.
int RunSender(const std::string& jobPath, const SenderOptions& options);

}  // namespace quorvane3
