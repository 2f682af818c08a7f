#include "mailer/job/outcome_report.h"

#include <ctime>

namespace quorvane3 {

DeliveryOutcome SessionOutcome(const CSMTP& session) {
    if (session.DataAccepted()) return {DeliveryState::kDelivered, {}, 0};
    if (session.Result() == CSMTP::kAborted) {
        return {DeliveryState::kMayPass, "the delivery was stopped before it ended", 0};
    }
    const std::string& cause = session.OutcomeCause();
    if (cause.empty()) return {DeliveryState::kMayPass, "the delivery failed", 0};
    return {session.PermanentFailure() ? DeliveryState::kPermanent : DeliveryState::kMayPass,
            cause, 0};
}

void ReportOutcome(const MailJob& job, DeliveryState state, std::string cause) {
    if (!job.tracked) return;
    if (state == DeliveryState::kDelivered) cause.clear();
    // Nothing more can be done when the record cannot be written: the job's
    // owner sees no record and treats the run as not finished.
    WriteOutcomeRecord(job.jobPath, {state, std::move(cause), std::time(nullptr)});
}

bool KeepForResend(const MailJob& job, DeliveryState state) {
    return job.tracked && state == DeliveryState::kMayPass;
}

}  // namespace quorvane3
