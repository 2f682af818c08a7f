#pragma once

#include <QObject>

namespace ossivant {

// What the system knows of this computer's own network.
enum class NetworkReach { Online, Offline, Unknown };

// The system's network state, as the check engine asks it. Changes are
// signalled on the thread that owns the object.
class NetworkState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~NetworkState() override = default;
    virtual NetworkReach Reach() const = 0;

signals:
    void ReachChanged(ossivant::NetworkReach reach);
};

}  // namespace ossivant
