#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mailer/sys/tls_channel.h"

// The mail sender's single-threaded event loop: window messages, one-shot
// timers, non-blocking sockets with asynchronous-select notices, and host-name
// lookups that complete as messages. Everything is delivered on the thread
// that runs the loop; an idle loop sleeps in poll().
//
// Socket notices follow the rules of the asynchronous-select socket library:
// FD_CONNECT once per connect; FD_READ again only after the data was read
// (Recv re-enables it); FD_WRITE once after a connect and then only after a
// send that would block; FD_CLOSE once, after all pending data was read.

namespace quorvane3::sys {

using Hwnd = std::uintptr_t;  // 0 = no window
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using Socket = int;
using AsyncHandle = std::uintptr_t;  // 0 = no request

inline constexpr Socket kInvalidSocket = -1;

inline constexpr unsigned kWmCreate = 0x0001;
inline constexpr unsigned kWmDestroy = 0x0002;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmUser = 0x0400;

inline constexpr long kFdRead = 0x01;
inline constexpr long kFdWrite = 0x02;
inline constexpr long kFdOob = 0x04;
inline constexpr long kFdAccept = 0x08;
inline constexpr long kFdConnect = 0x10;
inline constexpr long kFdClose = 0x20;
// The TLS handshake that StartTls began has ended; its error is 0 or
// kTlsFailedError (TlsFailureOf tells why). Posted whatever events were asked.
inline constexpr long kFdTlsReady = 0x40;
inline constexpr int kTlsFailedError = 1;

// lParam layout of socket and lookup notices: low 16 bits the event (or the
// result length), high 16 bits the error.
inline LParam MakeNoticeParam(long low, int error) {
    return static_cast<LParam>((static_cast<std::uint32_t>(error) << 16) |
                               (static_cast<std::uint32_t>(low) & 0xFFFFu));
}
inline int NoticeLow(LParam l) { return static_cast<int>(static_cast<std::uint32_t>(l) & 0xFFFFu); }
inline int NoticeError(LParam l) { return static_cast<int>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFFu); }

// IPv4 socket address; port and address in host byte order.
struct SockAddrIn {
    std::uint16_t family = 2;  // AF_INET
    std::uint16_t port = 0;
    std::uint32_t address = 0;
};

// Parses a dotted IPv4 address ("192.0.2.7"); false for anything else.
bool ParseDottedIPv4(const std::string& text, std::uint32_t* address);

// The local host name, as gethostname() gives it; 0 or a socket error.
int GetLocalHostName(char* buffer, std::size_t size);

class EventLoop {
public:
    using WindowProc = std::function<LParam(Hwnd, unsigned, WParam, LParam)>;
    using TimerId = std::uint64_t;
    // Resolves a name to IPv4 addresses (host order) on a helper thread;
    // returns 0 or a lookup error (11001-11004).
    using Resolver = std::function<int(const std::string&, std::vector<std::uint32_t>*)>;
    // Consulted before every connect: 0 lets it proceed, a positive value is
    // reported as that connect's error, kConnectNeverCompletes holds it pending.
    using ConnectHook = std::function<int(const SockAddrIn&)>;
    static constexpr int kConnectNeverCompletes = -1;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // The process's loop, made on first use.
    static EventLoop& Main();

    // 0 when the loop's wake-up channel could be made, else the socket error.
    int StartupError() const { return startupError_; }

    // Windows: a window is a procedure that receives messages. Creation sends
    // kWmCreate (a result of -1 refuses it: 0 is returned); destruction sends
    // kWmDestroy. Messages posted to a window that is gone are dropped.
    Hwnd CreateWindow(const std::string& className, WindowProc proc);
    bool DestroyWindow(Hwnd hwnd);
    bool IsWindow(Hwnd hwnd) const;
    std::string WindowClass(Hwnd hwnd) const;
    Hwnd FindWindow(const std::string& className) const;
    bool PostMessage(Hwnd hwnd, unsigned msg, WParam w, LParam l);
    LParam SendMessage(Hwnd hwnd, unsigned msg, WParam w, LParam l);
    void PostQuitMessage(int exitCode);

    // Runs until the quit message; returns its exit code.
    int Run();
    // Runs until done() holds or the bound passed; true when done() held.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound);

    // One-shot timers; the callback runs on the loop's thread.
    TimerId StartTimer(std::chrono::milliseconds delay, std::function<void()> callback);
    void CancelTimer(TimerId id);

    // Sockets. Every call returns 0 or a socket error number.
    int CreateSocket(Socket* out);
    int SetNonBlocking(Socket s);
    int AsyncSelect(Socket s, Hwnd hwnd, unsigned msg, long events);
    int Connect(Socket s, const SockAddrIn& address);
    int Send(Socket s, const void* data, std::size_t length, std::size_t* sent);
    int Recv(Socket s, void* buffer, std::size_t size, std::size_t* received);
    int CloseSocket(Socket s);
    // Begins a client TLS handshake on a connected socket, driven by the loop;
    // its end comes as a kFdTlsReady notice. From then on Send and Recv carry
    // the socket's data through TLS. 0, or a socket error.
    int StartTls(Socket s, const std::string& host);
    TlsFailure TlsFailureOf(Socket s) const;

    // Host lookup: resolves on a helper thread and posts (hwnd, msg, handle,
    // result length | error << 16) when done, after filling the buffer with a
    // host entry (see host_entry.h). Cancel: 0, or 10037 when the request is
    // no longer pending.
    int AsyncGetHostByName(Hwnd hwnd, unsigned msg, const std::string& name, char* buffer,
                           std::size_t size, AsyncHandle* out);
    int CancelAsyncRequest(AsyncHandle handle);

    void SetResolver(Resolver resolver);
    void SetConnectHook(ConnectHook hook);

    // Counts for tests: live windows, timers, sockets and pending lookups.
    std::size_t PendingWork() const;

private:
    struct Message {
        Hwnd hwnd;
        unsigned msg;
        WParam w;
        LParam l;
    };
    struct Window {
        std::string className;
        WindowProc proc;
    };
    struct Timer {
        std::chrono::steady_clock::time_point due;
        std::function<void()> callback;
    };
    struct SocketEntry {
        Hwnd hwnd = 0;
        unsigned msg = 0;
        long events = 0;
        bool nonBlocking = false;
        bool connecting = false;
        bool connected = false;
        bool readArmed = true;
        bool writeArmed = false;
        bool closeReported = false;
        std::shared_ptr<TlsChannel> tls;
        bool handshaking = false;
        bool tlsWantsWrite = false;
        TlsFailure tlsFailure;
    };
    struct Lookup;

    bool Iterate(std::chrono::steady_clock::time_point deadline, bool bounded);
    void PollOnce(int timeoutMs);
    static short Interest(const SocketEntry& e);
    void CheckSocket(Socket s, short revents);
    void DriveHandshake(Socket s, SocketEntry& e);
    void CompleteLookups();
    void FireDueTimers();
    void DispatchQueued();
    void Dispatch(const Message& m);
    void PostNotice(const SocketEntry& e, Socket s, long event, int error);
    void PurgeSocketNotices(Socket s);
    static int DefaultResolve(const std::string& name, std::vector<std::uint32_t>* out);

    int startupError_ = 0;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool quit_ = false;
    int exitCode_ = 0;
    Hwnd nextHwnd_ = 1;
    TimerId nextTimer_ = 1;
    AsyncHandle nextLookup_ = 1;
    std::deque<Message> queue_;
    std::map<Hwnd, Window> windows_;
    std::map<TimerId, Timer> timers_;
    std::map<Socket, SocketEntry> sockets_;
    std::map<AsyncHandle, std::shared_ptr<Lookup>> lookups_;
    Resolver resolver_;
    ConnectHook connectHook_;
};

}  // namespace quorvane3::sys
