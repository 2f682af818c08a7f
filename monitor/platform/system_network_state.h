#pragma once

#include "monitor/platform/network_state.h"

namespace ossivant {

// The network state that Qt's network information reports, from its default
// backend (NetworkManager where the desktop runs it). Without a backend, or
// while it cannot tell, the state is Unknown.
class SystemNetworkState final : public NetworkState {
    Q_OBJECT

public:
    explicit SystemNetworkState(QObject* parent = nullptr);
    NetworkReach Reach() const override;
};

}  // namespace ossivant
