#include "mailer/net/stream_socket.h"

#include "mailer/sys/winsock_errors.h"

namespace quorvane3 {

namespace {
sys::EventLoop& Loop() { return sys::EventLoop::Main(); }
}  // namespace

CStreamSocket::~CStreamSocket() { Close(); }

int CStreamSocket::Create() {
    sys::Socket s = sys::kInvalidSocket;
    if (int err = Loop().CreateSocket(&s)) return Fail(err);
    if (int err = Loop().SetNonBlocking(s)) {
        Loop().CloseSocket(s);
        return Fail(err);
    }
    socket_ = s;
    CWinsockEventRegistry::Instance().Register(static_cast<std::uintptr_t>(s), kKindSocket, this);
    return Fail(0);
}

int CStreamSocket::Connect(const sys::SockAddrIn& address) {
    if (socket_ == sys::kInvalidSocket) {
        if (int err = Create()) return err;
    }
    if (int err = Loop().AsyncSelect(socket_, EventWindow(), kMsgSocketNotice, sys::kFdConnect)) {
        return Fail(err);
    }
    int err = Loop().Connect(socket_, address);
    if (err == 0) {
        state_ = kConnectedState;
    } else if (err == sys::kWsaEWOULDBLOCK) {
        state_ = kConnecting;
    }
    return Fail(err);
}

int CStreamSocket::Send(const void* data, std::size_t length) {
    if (!queue_.empty()) {
        queue_.push_back(PendingSend{data, static_cast<const char*>(data), length});
        return Fail(sys::kWsaEWOULDBLOCK);
    }
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        std::size_t sent = 0;
        int err = Loop().Send(socket_, p, length, &sent);
        if (err == sys::kWsaEWOULDBLOCK) {
            queue_.push_back(PendingSend{data, p, length});
            return Fail(err);
        }
        if (err != 0) return Fail(err);
        p += sent;
        length -= sent;
    }
    return Fail(0);
}

int CStreamSocket::Receive(void* buffer, std::size_t* size) {
    std::size_t got = 0;
    int err = Loop().Recv(socket_, buffer, *size, &got);
    *size = err == 0 ? got : 0;
    return Fail(err);
}

void CStreamSocket::Close() {
    if (socket_ == sys::kInvalidSocket) return;
    CWinsockEventRegistry::Instance().Deregister(static_cast<std::uintptr_t>(socket_), kKindSocket);
    queue_.clear();
    Loop().CloseSocket(socket_);
    state_ = kNone;
    socket_ = sys::kInvalidSocket;
}

int CStreamSocket::StartTls(const std::string& host) {
    return Fail(Loop().StartTls(socket_, host));
}

sys::TlsFailure CStreamSocket::TlsFailure() const { return Loop().TlsFailureOf(socket_); }

void CStreamSocket::SetOwner(IStreamOwner* owner, int value) {
    owner_ = owner;
    ownerValue_ = value;
}

void CStreamSocket::Report(int streamEvent, int error, const void* tag) {
    if (owner_) owner_->StreamCallback(ownerValue_, streamEvent, error, tag);
}

void CStreamSocket::OnEvent(sys::Hwnd, unsigned msg, sys::WParam, sys::LParam l) {
    if (msg != kMsgSocketNotice || !owner_) return;
    const int error = sys::NoticeError(l);
    switch (sys::NoticeLow(l)) {
        case sys::kFdConnect:
            if (error == 0) {
                Loop().AsyncSelect(socket_, EventWindow(), kMsgSocketNotice,
                                   sys::kFdRead | sys::kFdWrite | sys::kFdClose);
                state_ = kConnectedState;
            }
            Report(kStreamConnected, error, nullptr);
            break;
        case sys::kFdAccept: Report(kStreamAccept, error, nullptr); break;
        case sys::kFdRead: Report(kStreamReadable, error, nullptr); break;
        case sys::kFdWrite: DrainQueue(); break;
        case sys::kFdClose: Report(kStreamClosed, error, nullptr); break;
        case sys::kFdTlsReady: Report(kStreamTlsReady, error, nullptr); break;
        default: break;
    }
}

// Sends queued data in order; each finished (or failed) send is reported
// before the next one is tried. The owner may send or close while told.
void CStreamSocket::DrainQueue() {
    while (!queue_.empty() && socket_ != sys::kInvalidSocket) {
        PendingSend& front = queue_.front();
        int err = 0;
        while (front.remaining > 0) {
            std::size_t sent = 0;
            err = Loop().Send(socket_, front.position, front.remaining, &sent);
            if (err != 0) break;
            front.position += sent;
            front.remaining -= sent;
        }
        if (err == sys::kWsaEWOULDBLOCK) {
            lastError_ = err;
            return;  // the next FD_WRITE continues
        }
        const void* tag = front.tag;
        queue_.pop_front();
        lastError_ = err;
        Report(kStreamSent, err, tag);
    }
}

}  // namespace quorvane3
