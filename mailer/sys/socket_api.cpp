#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "mailer/sys/event_loop.h"
#include "mailer/sys/winsock_errors.h"

// The only file of the mail sender that calls the system's socket functions.

namespace quorvane3::sys {

namespace {

int LastError() { return WsaErrorFromErrno(errno); }

// Errors that a non-blocking connect reports through FD_CONNECT rather than
// at once, whichever way the system happens to deliver them.
bool IsDeferredConnectError(int err) {
    return err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT;
}

}  // namespace

bool ParseDottedIPv4(const std::string& text, std::uint32_t* address) {
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    *address = ntohl(a.s_addr);
    return true;
}

int GetLocalHostName(char* buffer, std::size_t size) {
    if (::gethostname(buffer, size) != 0) {
        return errno == ENAMETOOLONG ? kWsaEFAULT : LastError();
    }
    return 0;
}

int EventLoop::CreateSocket(Socket* out) {
    *out = kInvalidSocket;
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return LastError();
    // The session sends one short command at a time and waits for its reply;
    // without this, each command waits for the peer's delayed ACK.
    const int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockets_[s] = SocketEntry{};
    *out = s;
    return 0;
}

int EventLoop::SetNonBlocking(Socket s) {
    auto it = sockets_.find(s);
    if (it == sockets_.end()) return kWsaENOTSOCK;
    int flags = ::fcntl(s, F_GETFL);
    if (flags < 0 || ::fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) return LastError();
    it->second.nonBlocking = true;
    return 0;
}

int EventLoop::AsyncSelect(Socket s, Hwnd hwnd, unsigned msg, long events) {
    auto it = sockets_.find(s);
    if (it == sockets_.end()) return kWsaENOTSOCK;
    if (!it->second.nonBlocking) {
        if (int err = SetNonBlocking(s)) return err;
    }
    SocketEntry& e = it->second;
    e.hwnd = hwnd;
    e.msg = msg;
    e.events = events;
    e.readArmed = true;
    // A connected socket that asks for FD_WRITE hears at once that it can send.
    if (e.connected && (events & kFdWrite)) e.writeArmed = true;
    return 0;
}

void EventLoop::SetConnectHook(ConnectHook hook) { connectHook_ = std::move(hook); }

int EventLoop::Connect(Socket s, const SockAddrIn& address) {
    auto it = sockets_.find(s);
    if (it == sockets_.end()) return kWsaENOTSOCK;
    SocketEntry& e = it->second;
    if (e.connected) return kWsaEISCONN;
    if (e.connecting) return kWsaEALREADY;
    const bool async = e.nonBlocking;
    const bool notify = e.hwnd != 0 && (e.events & kFdConnect);

    int injected = connectHook_ ? connectHook_(address) : 0;
    if (injected == kConnectNeverCompletes) return kWsaEWOULDBLOCK;
    if (injected > 0) {
        if (!async) return injected;
        if (notify) PostNotice(e, s, kFdConnect, injected);
        return kWsaEWOULDBLOCK;
    }

    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(address.port);
    sin.sin_addr.s_addr = htonl(address.address);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&sin), sizeof sin) == 0) {
        e.connected = true;
        e.writeArmed = true;
        if (!async) return 0;
        if (notify) PostNotice(e, s, kFdConnect, 0);
        return kWsaEWOULDBLOCK;
    }
    const int err = errno;
    if (err == EINPROGRESS && async) {
        e.connecting = true;
        return kWsaEWOULDBLOCK;
    }
    if (async && IsDeferredConnectError(err)) {
        if (notify) PostNotice(e, s, kFdConnect, WsaErrorFromErrno(err));
        return kWsaEWOULDBLOCK;
    }
    return WsaErrorFromErrno(err);
}

int EventLoop::Send(Socket s, const void* data, std::size_t length, std::size_t* sent) {
    *sent = 0;
    auto tlsIt = sockets_.find(s);
    if (tlsIt != sockets_.end() && tlsIt->second.tls) {
        SocketEntry& e = tlsIt->second;
        if (e.handshaking) return kWsaEWOULDBLOCK;
        switch (e.tls->Write(data, length, sent)) {
            case TlsChannel::Step::kDone: return 0;
            case TlsChannel::Step::kWantRead:
            case TlsChannel::Step::kWantWrite: e.writeArmed = true; return kWsaEWOULDBLOCK;
            case TlsChannel::Step::kFailed: break;
        }
        return kWsaECONNRESET;
    }
    ssize_t n = ::send(s, data, length, MSG_NOSIGNAL);
    if (n >= 0) {
        *sent = static_cast<std::size_t>(n);
        return 0;
    }
    int err = LastError();
    if (err == kWsaEWOULDBLOCK) {
        auto it = sockets_.find(s);
        if (it != sockets_.end()) it->second.writeArmed = true;
    }
    return err;
}

int EventLoop::Recv(Socket s, void* buffer, std::size_t size, std::size_t* received) {
    *received = 0;
    auto tlsIt = sockets_.find(s);
    if (tlsIt != sockets_.end() && tlsIt->second.tls) {
        SocketEntry& e = tlsIt->second;
        if (e.handshaking) return kWsaEWOULDBLOCK;
        const TlsChannel::Step step = e.tls->Read(buffer, size, received);
        // Decrypted data the socket no longer shows is announced at once.
        if (e.tls->HasPending() && e.hwnd != 0 && (e.events & kFdRead)) {
            e.readArmed = false;
            PostNotice(e, s, kFdRead, 0);
        } else {
            e.readArmed = true;
        }
        switch (step) {
            case TlsChannel::Step::kDone: return 0;
            case TlsChannel::Step::kWantRead:
            case TlsChannel::Step::kWantWrite: return kWsaEWOULDBLOCK;
            case TlsChannel::Step::kFailed: break;
        }
        return kWsaECONNRESET;
    }
    ssize_t n = ::recv(s, buffer, size, 0);
    int err = n < 0 ? LastError() : 0;
    // Reading re-enables FD_READ; if data is left, the next poll says so.
    auto it = sockets_.find(s);
    if (it != sockets_.end()) it->second.readArmed = true;
    if (n < 0) return err;
    *received = static_cast<std::size_t>(n);
    return 0;
}

int EventLoop::StartTls(Socket s, const std::string& host) {
    auto it = sockets_.find(s);
    if (it == sockets_.end()) return kWsaENOTSOCK;
    SocketEntry& e = it->second;
    if (!e.connected) return kWsaENOTCONN;
    if (e.tls) return kWsaEISCONN;
    e.tlsFailure = TlsFailure{};
    e.tls = TlsChannel::Create(s, host, &e.tlsFailure);
    if (!e.tls) {
        PostNotice(e, s, kFdTlsReady, kTlsFailedError);
        return 0;
    }
    e.handshaking = true;
    DriveHandshake(s, e);
    return 0;
}

TlsFailure EventLoop::TlsFailureOf(Socket s) const {
    auto it = sockets_.find(s);
    return it == sockets_.end() ? TlsFailure{} : it->second.tlsFailure;
}

// One step of the handshake; the next waits for what it asks of the socket.
void EventLoop::DriveHandshake(Socket s, SocketEntry& e) {
    switch (e.tls->Handshake(&e.tlsFailure)) {
        case TlsChannel::Step::kWantRead: e.tlsWantsWrite = false; return;
        case TlsChannel::Step::kWantWrite: e.tlsWantsWrite = true; return;
        case TlsChannel::Step::kDone:
            e.handshaking = false;
            e.readArmed = true;
            PostNotice(e, s, kFdTlsReady, 0);
            // Data that came with the handshake's last records waits inside.
            if (e.tls->HasPending() && (e.events & kFdRead)) {
                e.readArmed = false;
                PostNotice(e, s, kFdRead, 0);
            }
            return;
        case TlsChannel::Step::kFailed:
            e.handshaking = false;
            e.tls.reset();
            e.closeReported = true;  // the connection is of no further use
            PostNotice(e, s, kFdTlsReady, kTlsFailedError);
            return;
    }
}

int EventLoop::CloseSocket(Socket s) {
    auto it = sockets_.find(s);
    if (it == sockets_.end()) return kWsaENOTSOCK;
    PurgeSocketNotices(s);
    sockets_.erase(it);
    return ::close(s) == 0 ? 0 : LastError();
}

void EventLoop::PostNotice(const SocketEntry& e, Socket s, long event, int error) {
    PostMessage(e.hwnd, e.msg, static_cast<WParam>(s), MakeNoticeParam(event, error));
}

// Notices of a closed socket are dropped, so that a later socket with the
// same number never receives them.
void EventLoop::PurgeSocketNotices(Socket s) {
    const SocketEntry& e = sockets_.at(s);
    for (auto it = queue_.begin(); it != queue_.end();) {
        if (it->hwnd == e.hwnd && it->msg == e.msg && it->w == static_cast<WParam>(s)) {
            it = queue_.erase(it);
        } else {
            ++it;
        }
    }
}

short EventLoop::Interest(const SocketEntry& e) {
    if (e.hwnd == 0) return 0;
    short ev = 0;
    if (e.connecting) ev |= POLLOUT;
    if (e.handshaking) return e.tlsWantsWrite ? POLLOUT : POLLIN;
    if (e.connected) {
        if ((e.events & (kFdRead | kFdClose)) && e.readArmed && !e.closeReported) ev |= POLLIN;
        if ((e.events & kFdWrite) && e.writeArmed) ev |= POLLOUT;
    }
    return ev;
}

void EventLoop::PollOnce(int timeoutMs) {
    std::vector<pollfd> fds;
    if (wakeRead_ >= 0) fds.push_back(pollfd{wakeRead_, POLLIN, 0});
    for (const auto& [s, e] : sockets_) {
        if (short ev = Interest(e)) fds.push_back(pollfd{s, ev, 0});
    }
    int n = ::poll(fds.data(), fds.size(), timeoutMs);
    if (n <= 0) return;
    for (const pollfd& p : fds) {
        if (p.revents == 0) continue;
        if (p.fd == wakeRead_) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
            CompleteLookups();
        } else {
            CheckSocket(p.fd, p.revents);
        }
    }
}

void EventLoop::CheckSocket(Socket s, short revents) {
    auto it = sockets_.find(s);
    if (it == sockets_.end()) return;
    SocketEntry& e = it->second;
    if (e.connecting) {
        if (!(revents & (POLLOUT | POLLERR | POLLHUP))) return;
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        e.connecting = false;
        if (err == 0) {
            e.connected = true;
            e.writeArmed = true;
        }
        if (e.events & kFdConnect) PostNotice(e, s, kFdConnect, WsaErrorFromErrno(err));
        return;
    }
    if (!e.connected) return;
    if (e.handshaking) {
        DriveHandshake(s, e);
        return;
    }
    if ((revents & (POLLIN | POLLHUP | POLLERR)) && e.readArmed && !e.closeReported &&
        (e.events & (kFdRead | kFdClose))) {
        char byte;
        ssize_t n = ::recv(s, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            e.readArmed = false;
            if (e.events & kFdRead) PostNotice(e, s, kFdRead, 0);
        } else if (n == 0) {
            e.closeReported = true;
            if (e.events & kFdClose) PostNotice(e, s, kFdClose, 0);
        } else if (errno != EAGAIN && errno != EINTR) {
            e.closeReported = true;
            if (e.events & kFdClose) PostNotice(e, s, kFdClose, LastError());
        }
    }
    if ((revents & (POLLOUT | POLLERR | POLLHUP)) && e.writeArmed && (e.events & kFdWrite)) {
        e.writeArmed = false;
        PostNotice(e, s, kFdWrite, 0);
    }
}

}  // namespace quorvane3::sys
