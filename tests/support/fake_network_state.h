#pragma once

#include "monitor/platform/network_state.h"

namespace ossivant::test {

// A network state the test sets; Online until told otherwise.
class FakeNetworkState final : public NetworkState {
public:
    NetworkReach Reach() const override { return reach_; }
    void set(NetworkReach reach) {
        reach_ = reach;
        emit ReachChanged(reach);
    }

private:
    NetworkReach reach_ = NetworkReach::Online;
};

}  // namespace ossivant::test
