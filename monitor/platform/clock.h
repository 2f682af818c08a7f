#pragma once

#include <QDateTime>

namespace ossivant {

// The one source of "now" for the monitor. Everything that reads the time
// takes a Clock, so tests move time instead of sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

}  // namespace ossivant
