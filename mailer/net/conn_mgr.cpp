#include "mailer/net/conn_mgr.h"

#include "mailer/net/fatal_error.h"
#include "mailer/sys/winsock_errors.h"

namespace quorvane3 {

CConnMgr::~CConnMgr() {
    if (state_ != State::Idle) Cancel(false);
    if (timer_) sys::EventLoop::Main().CancelTimer(timer_);
}

void CConnMgr::SetTarget(IConnectionTarget* target, int value) {
    connTarget_ = target;
    connTargetValue_ = value;
}

bool CConnMgr::Connect(const std::string& host, std::uint16_t port, CStreamSocket* stream,
                       IStreamOwner* ownerAfter, int valueAfter) {
    if (state_ != State::Idle) return false;
    result_ = kNoResult;
    host_ = host;
    port_ = port;
    stream_ = stream;
    ownerAfter_ = ownerAfter;
    valueAfter_ = valueAfter;
    stream_->SetOwner(this, 0);
    stream_->Close();
    notify_ = true;
    ChangeState(State::Start);
    Feed(kNone);
    return true;
}

void CConnMgr::Cancel(bool notify) {
    notify_ = notify;
    Feed(kCancel);
}

void CConnMgr::OnLookupDone(int, int error) {
    lastError_ = error;
    Feed(kLookupDone);
}

void CConnMgr::StreamCallback(int, int streamEvent, int error, const void*) {
    lastError_ = error;
    if (streamEvent != kStreamConnected) {
        stream_->Close();
        FatalAppExit("Unexpected socket event in CConnMgr::StreamCallback");
    }
    Feed(kAttemptDone);
}

// Runs the current state's handler; a handler that changes the state runs
// the new state at once with the empty event. Events fed from inside a
// handler (a target reacting at once) wait until the handler returned.
void CConnMgr::Feed(int event) {
    pending_.push_back(event);
    if (running_) return;
    running_ = true;
    while (!pending_.empty()) {
        int e = pending_.front();
        pending_.pop_front();
        for (;;) {
            State next = Dispatch(e);
            if (next == state_) break;
            ChangeState(next);
            e = kNone;
        }
    }
    running_ = false;
}

CConnMgr::State CConnMgr::Dispatch(int event) {
    switch (state_) {
        case State::Start: return OnStart(event);
        case State::AwaitLookup: return OnAwaitLookup(event);
        case State::Connect: return OnConnect(event);
        case State::AwaitConnect: return OnAwaitConnect(event);
        case State::Finish: return OnFinish(event);
        case State::Idle: return OnIdle(event);
    }
    return state_;
}

// The one place where the state changes. The lookup and each connect
// attempt run under the connect time-out.
void CConnMgr::ChangeState(State next) {
    sys::EventLoop& loop = sys::EventLoop::Main();
    if (timer_) loop.CancelTimer(timer_);
    timer_ = 0;
    state_ = next;
    if ((next == State::AwaitLookup || next == State::AwaitConnect) &&
        connectTimeout_.count() > 0) {
        timer_ = loop.StartTimer(connectTimeout_, [this] {
            timer_ = 0;
            Feed(kTimeout);
        });
    }
}

CConnMgr::State CConnMgr::FailWith(int result) {
    result_ = result;
    return State::Finish;
}

CConnMgr::State CConnMgr::OnStart(int) {
    std::uint32_t address = 0;
    if (sys::ParseDottedIPv4(host_, &address)) {
        literal_ = true;
        target_ = sys::SockAddrIn{};
        target_.address = address;
        return State::Connect;
    }
    literal_ = false;
    if (int err = lookup_.Start(host_.c_str(), this, 0)) {
        lastError_ = err;
        return FailWith(kFailed);
    }
    return State::AwaitLookup;
}

CConnMgr::State CConnMgr::OnAwaitLookup(int event) {
    switch (event) {
        case kLookupDone:
            if (lastError_ != 0) return FailWith(kFailed);
            if (!lookup_.FirstAddress(&target_)) {
                FatalAppExit("Can't access address following lookup in CConnMgr::AwaitLookup");
            }
            return State::Connect;
        case kCancel:
            lookup_.Cancel();
            return FailWith(kCancelled);
        case kTimeout:
            lookup_.Cancel();
            lastError_ = sys::kWsaETIMEDOUT;
            return FailWith(kFailed);
        default: return state_;
    }
}

CConnMgr::State CConnMgr::OnConnect(int) {
    target_.port = port_;
    lastError_ = stream_->Connect(target_);
    if (lastError_ == 0 || lastError_ == sys::kWsaEWOULDBLOCK) return State::AwaitConnect;
    stream_->Close();
    return FailWith(kFailed);
}

CConnMgr::State CConnMgr::OnAwaitConnect(int event) {
    switch (event) {
        case kTimeout:
            lastError_ = sys::kWsaETIMEDOUT;
            [[fallthrough]];
        case kAttemptDone:
            if (lastError_ == 0) {
                result_ = kConnectedResult;
                return State::Finish;
            }
            stream_->Close();
            if ((lastError_ == sys::kWsaENETUNREACH || lastError_ == sys::kWsaETIMEDOUT) &&
                !literal_ && lookup_.NextAddress(&target_)) {
                return State::Connect;
            }
            return FailWith(kFailed);
        case kCancel:
            stream_->Close();
            return FailWith(kCancelled);
        default: return state_;
    }
}

CConnMgr::State CConnMgr::OnFinish(int) {
    host_.clear();
    stream_->SetOwner(ownerAfter_, valueAfter_);
    if (notify_ && connTarget_) connTarget_->OnConnectResult(connTargetValue_, result_);
    return State::Idle;
}

CConnMgr::State CConnMgr::OnIdle(int) { return state_; }

}  // namespace quorvane3
