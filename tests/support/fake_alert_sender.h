#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "monitor/report/send_email.h"

namespace ossivant::test {

// Counts the alerts the engine sends and what it knew when it sent them;
// answers with `result` (0 = handed off), or passes the alert on to
// `forwardTo` and answers with its result.
class FakeAlertSender final : public AlertSender {
public:
    struct Sent {
        QString code;
        AlertFacts facts;
    };
    std::int32_t SendEmail(const QString& szErrorCode, const AlertFacts& facts) override {
        sent.push_back({szErrorCode, facts});
        return forwardTo != nullptr ? forwardTo->SendEmail(szErrorCode, facts) : result;
    }
    std::vector<Sent> sent;
    std::int32_t result = 0;
    AlertSender* forwardTo = nullptr;
};

}  // namespace ossivant::test
