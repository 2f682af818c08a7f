#pragma once

#include "monitor/platform/clock.h"

namespace ossivant::test {

// A clock that only moves when the test moves it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0)))
        : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void advanceSeconds(qint64 s) { now_ = now_.addSecs(s); }
    void advanceMinutes(qint64 m) { now_ = now_.addSecs(m * 60); }
    void advanceDays(qint64 d) { now_ = now_.addDays(d); }

private:
    QDateTime now_;
};

}  // namespace ossivant::test
