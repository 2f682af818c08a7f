#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "mailer/net/winsock_event_registry.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Stream events told to the owner of a CStreamSocket.
enum StreamEvent {
    kStreamConnected = 0,  // connect finished; error tells how
    kStreamAccept = 1,
    kStreamReadable = 2,
    kStreamSent = 3,  // one queued send finished; error and its tag
    kStreamClosed = 4,
    kStreamTlsReady = 5,  // the TLS handshake ended; error 0 or sys::kTlsFailedError
};

class IStreamOwner {
public:
    virtual void StreamCallback(int value, int streamEvent, int error, const void* tag) = 0;

protected:
    virtual ~IStreamOwner() = default;
};

// A non-blocking TCP stream whose notices go to one owner. Sends that would
// block are queued without copying: the caller keeps its buffer unchanged
// until the kStreamSent report carrying that buffer's start as tag. Reports
// come once per queued send, in the order of the sends.
class CStreamSocket : public CWinsockEventCallback {
public:
    enum { kNone = 0, kConnecting = 1, kConnectedState = 2 };

    CStreamSocket() = default;
    ~CStreamSocket() override;  // closes
    CStreamSocket(const CStreamSocket&) = delete;
    CStreamSocket& operator=(const CStreamSocket&) = delete;

    // Every operation returns 0 or a socket error (10035: would block).
    int Create();
    int Connect(const sys::SockAddrIn& address);
    int Send(const void* data, std::size_t length);
    int Receive(void* buffer, std::size_t* size);
    void Close();
    // Begins TLS on the connected stream; kStreamTlsReady tells its end.
    int StartTls(const std::string& host);
    sys::TlsFailure TlsFailure() const;
    void SetOwner(IStreamOwner* owner, int value);

    void OnEvent(sys::Hwnd hwnd, unsigned msg, sys::WParam w, sys::LParam l) override;

    sys::Socket Handle() const { return socket_; }
    int LastError() const { return lastError_; }
    int ConnectionState() const { return state_; }
    std::size_t QueuedSends() const { return queue_.size(); }

private:
    struct PendingSend {
        const void* tag;
        const char* position;
        std::size_t remaining;
    };

    int Fail(int error) { return lastError_ = error; }
    void Report(int streamEvent, int error, const void* tag);
    void DrainQueue();

    sys::Socket socket_ = sys::kInvalidSocket;
    int lastError_ = 0;
    IStreamOwner* owner_ = nullptr;
    int ownerValue_ = 0;
    int state_ = kNone;
    std::deque<PendingSend> queue_;
};

}  // namespace quorvane3
