#pragma once

#include <QString>
#include <optional>

#include "mailer/job/delivery_outcome.h"

namespace ossivant {

// The outcome of a test alert's tracked job once the sender has written it;
// the job and its record are then removed, since a test is never sent again.
std::optional<quorvane3::DeliveryOutcome> TakeTestAlertOutcome(const QString& jobPath);

// Removes a test alert's job and whatever lies beside it.
void DropTestAlertJob(const QString& jobPath);

}  // namespace ossivant
