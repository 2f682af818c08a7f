#include "mailer/net/async_request.h"

#include "mailer/sys/host_entry.h"
#include "mailer/sys/winsock_errors.h"

namespace quorvane3 {

CAsyncRequest::CAsyncRequest() : buffer_(new char[kBufferSize]()) {}

CAsyncRequest::~CAsyncRequest() {
    if (state_ == kPending) Cancel();
}

int CAsyncRequest::Start(const char* name, ILookupTarget* target, int value) {
    if (state_ == kPending) return 1;
    name_ = name;
    state_ = kPending;
    handle_ = StartRequest();
    if (handle_ == 0) {
        state_ = kIdle;
        return lastError_;
    }
    target_ = target;
    targetValue_ = value;
    CWinsockEventRegistry::Instance().Register(handle_, kKindAsyncRequest, this);
    return 0;
}

int CAsyncRequest::Cancel() {
    if (state_ != kPending) return 2;
    state_ = kIdle;
    CWinsockEventRegistry::Instance().Deregister(handle_, kKindAsyncRequest);
    target_ = nullptr;
    int err = sys::EventLoop::Main().CancelAsyncRequest(handle_);
    handle_ = 0;
    // Already finished: its notice will find no receiver.
    if (err == sys::kWsaEINVAL || err == sys::kWsaEALREADY) err = 0;
    lastError_ = err;
    return err;
}

void CAsyncRequest::OnEvent(sys::Hwnd, unsigned, sys::WParam, sys::LParam l) {
    CWinsockEventRegistry::Instance().Deregister(handle_, kKindAsyncRequest);
    handle_ = 0;
    const int error = sys::NoticeError(l);
    state_ = error == 0 ? kDone : kIdle;
    lastError_ = error;
    ILookupTarget* target = target_;
    target_ = nullptr;
    if (target) target->OnLookupDone(targetValue_, error);
}

sys::AsyncHandle CHostLookup::StartRequest() {
    nextIndex_ = 0;
    sys::AsyncHandle handle = 0;
    lastError_ = sys::EventLoop::Main().AsyncGetHostByName(EventWindow(), kMsgHostLookup, name_,
                                                           buffer_.get(), kBufferSize, &handle);
    return handle;
}

bool CHostLookup::FirstAddress(sys::SockAddrIn* address) {
    nextIndex_ = 0;
    return NextAddress(address);
}

bool CHostLookup::NextAddress(sys::SockAddrIn* address) {
    *address = sys::SockAddrIn{};
    std::uint32_t a = 0;
    if (State() != kDone || !sys::HostEntryAddress(buffer_.get(), kBufferSize, nextIndex_, &a)) {
        return false;
    }
    ++nextIndex_;
    address->address = a;
    return true;
}

}  // namespace quorvane3
