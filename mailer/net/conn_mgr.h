#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "mailer/net/async_request.h"
#include "mailer/net/stream_socket.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Told once per CConnMgr::Connect how it ended (unless cancelled silently).
class IConnectionTarget {
public:
    virtual void OnConnectResult(int value, int result) = 0;

protected:
    virtual ~IConnectionTarget() = default;
};

// Turns a host (dotted IPv4 address or name) and a port into a connected
// stream. A name is looked up first; when an attempt fails with "network
// unreachable" (10051) or "timed out" (10060) the name's next address is
// tried. Each attempt (and the lookup) is bounded by the connect time-out;
// its expiry counts as "timed out". When done the stream goes back to the
// owner handed in, and the target hears the result.
class CConnMgr : public ILookupTarget, public IStreamOwner {
public:
    enum Result { kNoResult = 0, kCancelled = 1, kConnectedResult = 2, kFailed = 3 };

    CConnMgr() = default;
    virtual ~CConnMgr();  // a running attempt ends silently
    CConnMgr(const CConnMgr&) = delete;
    CConnMgr& operator=(const CConnMgr&) = delete;

    void SetTarget(IConnectionTarget* target, int value);
    // Zero waits as long as the system takes.
    void SetConnectTimeout(std::chrono::milliseconds timeout) { connectTimeout_ = timeout; }

    // False unless idle.
    bool Connect(const std::string& host, std::uint16_t port, CStreamSocket* stream,
                 IStreamOwner* ownerAfter, int valueAfter);
    void Cancel(bool notify);

    int Result() const { return result_; }
    int LastError() const { return lastError_; }
    bool IsIdle() const { return state_ == State::Idle; }

    void OnLookupDone(int value, int error) override;
    void StreamCallback(int value, int streamEvent, int error, const void* tag) override;

private:
    enum class State { Start, AwaitLookup, Connect, AwaitConnect, Finish, Idle };
    enum Event { kNone = 0, kLookupDone = 1, kAttemptDone = 2, kCancel = 3, kTimeout = 4 };

    State OnStart(int event);
    State OnAwaitLookup(int event);
    State OnConnect(int event);
    State OnAwaitConnect(int event);
    State OnFinish(int event);
    State OnIdle(int event);

    void Feed(int event);
    State Dispatch(int event);  // runs the current state's handler
    void ChangeState(State next);
    State FailWith(int result);

    State state_ = State::Idle;
    int result_ = kNoResult;
    std::string host_;
    std::uint16_t port_ = 0;
    CStreamSocket* stream_ = nullptr;
    IStreamOwner* ownerAfter_ = nullptr;
    int valueAfter_ = 0;
    bool notify_ = false;
    CHostLookup lookup_;
    sys::SockAddrIn target_{};
    bool literal_ = false;
    int lastError_ = 0;
    IConnectionTarget* connTarget_ = nullptr;
    int connTargetValue_ = 0;
    std::chrono::milliseconds connectTimeout_{0};
    sys::EventLoop::TimerId timer_ = 0;
    std::deque<int> pending_;
    bool running_ = false;
};

}  // namespace quorvane3
