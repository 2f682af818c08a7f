#pragma once

#include <cstddef>
#include <memory>

#include "mailer/net/winsock_event_registry.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Told when an asynchronous request finished (error 0) or failed.
class ILookupTarget {
public:
    virtual void OnLookupDone(int value, int error) = 0;

protected:
    virtual ~ILookupTarget() = default;
};

// One asynchronous request of the socket library at a time, whose completion
// arrives as a notice on the event window and is passed on to a target once.
class CAsyncRequest : public CWinsockEventCallback {
public:
    static constexpr std::size_t kBufferSize = 1024;
    enum { kIdle = 0, kPending = 1, kDone = 2 };

    CAsyncRequest();
    ~CAsyncRequest() override;  // a pending request is cancelled

    // 0, 1 while a request is pending, or the socket error of starting it.
    // The name is borrowed and must outlive the request.
    int Start(const char* name, ILookupTarget* target, int value);
    // 0, or 2 when nothing is pending. The target is not told.
    int Cancel();

    void OnEvent(sys::Hwnd hwnd, unsigned msg, sys::WParam w, sys::LParam l) override;

    int State() const { return state_; }
    int LastError() const { return lastError_; }

protected:
    // Issues the request; its handle, or 0 with lastError_ set.
    virtual sys::AsyncHandle StartRequest() = 0;

    std::unique_ptr<char[]> buffer_;
    const char* name_ = nullptr;
    int lastError_ = 0;

private:
    ILookupTarget* target_ = nullptr;
    int targetValue_ = 0;
    int state_ = kIdle;
    sys::AsyncHandle handle_ = 0;
};

// Looks up the IPv4 addresses of a host name and hands them out in order.
class CHostLookup : public CAsyncRequest {
public:
    // The first (then the next) address of a finished lookup, port 0; false
    // and 0.0.0.0 past the end or when the lookup is not done.
    bool FirstAddress(sys::SockAddrIn* address);
    bool NextAddress(sys::SockAddrIn* address);

protected:
    sys::AsyncHandle StartRequest() override;

private:
    std::size_t nextIndex_ = 0;
};

}  // namespace quorvane3
