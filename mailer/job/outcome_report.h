#pragma once

#include <string>

#include "mailer/job/delivery_outcome.h"
#include "mailer/job/mail_job.h"
#include "mailer/net/smtp.h"

namespace quorvane3 {

// What a finished session means for the one who handed the job over: a
// message whose data the server accepted is delivered, whatever came after;
// a failure is permanent only when sending it again unchanged cannot help.
DeliveryOutcome SessionOutcome(const CSMTP& session);

// Writes the outcome record of a tracked job, stamped with the present
// time; an untracked job gets none.
void ReportOutcome(const MailJob& job, DeliveryState state, std::string cause);

// A tracked job stays in the spool for a resend when its failure may pass.
bool KeepForResend(const MailJob& job, DeliveryState state);

}  // namespace quorvane3
