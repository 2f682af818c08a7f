#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane3 {

// How one run of the sender on a tracked job ended. quorvane3 writes it
// beside the job; the hand-off library and the monitor read it.
enum class DeliveryState { kDelivered, kMayPass, kPermanent };

struct DeliveryOutcome {
    DeliveryState state = DeliveryState::kMayPass;
    std::string cause;            // words, empty for kDelivered; one line, as the server said it
    std::int64_t finishedAt = 0;  // Unix seconds when the run ended
};

// The record's place: the job's path with ".outcome" added.
std::string OutcomeRecordPath(const std::string& jobPath);

// Atomic: written to a temporary file in the same folder, flushed to disk
// and renamed over the record. False when any step fails; then no partial
// file is left behind.
bool WriteOutcomeRecord(const std::string& jobPath, const DeliveryOutcome& outcome);

// Nothing when the record is missing or not well formed (a reader never sees
// half a record).
std::optional<DeliveryOutcome> ReadOutcomeRecord(const std::string& jobPath);

}  // namespace quorvane3
