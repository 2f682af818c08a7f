#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <utility>

#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Runs a state machine to completion for its owner. Feed hands an event to
// the current state's handler (the owner's dispatcher); while the handler
// names another state, the owner's change-state function (the one place
// where the state changes) moves to it and the new state runs at once with
// the empty event 0. Events fed from inside a handler (a part reacting at
// once) wait until the handler returned. The driver also keeps the
// machine's one wait: Arm replaces it, and its expiry is fed as the
// time-out event. The wait ends with the driver.
template <class State>
class StateDriver {
public:
    using Dispatch = std::function<State(int event)>;
    using Change = std::function<void(State next)>;

    // `state` is the owner's current state, read after each handler.
    StateDriver(const State& state, Dispatch dispatch, Change change, int timeoutEvent)
        : state_(state),
          dispatch_(std::move(dispatch)),
          change_(std::move(change)),
          timeoutEvent_(timeoutEvent) {}
    ~StateDriver() { Disarm(); }
    StateDriver(const StateDriver&) = delete;
    StateDriver& operator=(const StateDriver&) = delete;

    void Feed(int event) {
        pending_.push_back(event);
        if (running_) return;
        running_ = true;
        while (!pending_.empty()) {
            int e = pending_.front();
            pending_.pop_front();
            for (;;) {
                State next = dispatch_(e);
                if (next == state_) break;
                change_(next);
                e = 0;
            }
        }
        running_ = false;
    }

    // Replaces the running wait; zero or less leaves none.
    void Arm(std::chrono::milliseconds after) {
        Disarm();
        if (after.count() <= 0) return;
        timer_ = sys::EventLoop::Main().StartTimer(after, [this] {
            timer_ = 0;
            Feed(timeoutEvent_);
        });
    }

    void Disarm() {
        if (timer_) sys::EventLoop::Main().CancelTimer(timer_);
        timer_ = 0;
    }

private:
    const State& state_;
    Dispatch dispatch_;
    Change change_;
    int timeoutEvent_;
    sys::EventLoop::TimerId timer_ = 0;
    std::deque<int> pending_;
    bool running_ = false;
};

}  // namespace quorvane3
