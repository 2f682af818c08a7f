#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ossivant::test {

// One thing the fake server does on a connection.
struct HttpStep {
    enum Kind { ReadRequest, Send, Delay, Stream, Close, Reset, Silent };
    Kind kind = Close;
    std::string bytes;                        // Send
    std::chrono::milliseconds delay{0};       // Delay
    std::uint64_t count = 0;                  // Stream

    // Reads up to the end of the request header and records it.
    static HttpStep readRequest() { return {ReadRequest, {}, {}, 0}; }
    static HttpStep send(std::string bytes) { return {Send, std::move(bytes), {}, 0}; }
    static HttpStep wait(std::chrono::milliseconds ms) { return {Delay, {}, ms, 0}; }
    // Sends `n` filler bytes as fast as the peer takes them.
    static HttpStep stream(std::uint64_t n) { return {Stream, {}, {}, n}; }
    // Ends the sending side, then waits (bounded) for the peer to close.
    static HttpStep close() { return {Close, {}, {}, 0}; }
    // Closes with SO_LINGER 0: the peer gets a reset.
    static HttpStep reset() { return {Reset, {}, {}, 0}; }
    // Says nothing until the peer closes or the server stops.
    static HttpStep silent() { return {Silent, {}, {}, 0}; }
};
using HttpScript = std::vector<HttpStep>;

// Read the request, send `response` as it stands, close.
HttpScript httpReply(std::string response);

// A scripted HTTP server on 127.0.0.1 with a port of the system's choice.
// Each accepted connection runs on its own thread and plays the next queued
// script, or the default one when the queue is empty. The server records the
// requests it read and when peers closed their side, so tests can check what
// a client sent and that it really went away. The destructor stops every
// connection at once.
class FakeHttpServer {
public:
    using Clock = std::chrono::steady_clock;

    explicit FakeHttpServer(HttpScript defaultScript);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    void queue(HttpScript script);

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    std::string url(const std::string& path = "/") const;

    int connections() const;
    std::vector<std::string> requests() const;
    // Times at which a peer was seen closing or resetting its connection.
    std::vector<Clock::time_point> peerCloses() const;
    // Waits up to `timeout` until at least `n` connections were accepted /
    // `n` peer closes were seen.
    bool waitForConnections(int n, std::chrono::milliseconds timeout) const;
    bool waitForPeerCloses(int n, std::chrono::milliseconds timeout) const;

private:
    void acceptLoop();
    void serve(int fd, HttpScript script);
    // Waits for `fd` to be readable (or writable); false when the server stops
    // or the time runs out.
    bool waitFor(int fd, short events, int timeoutMs) const;
    void notePeerClose();

    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    HttpScript defaultScript_;
    std::deque<HttpScript> queued_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    int connections_ = 0;
    std::vector<std::string> requests_;
    std::vector<Clock::time_point> peerCloses_;
    std::vector<std::thread> workers_;
    std::thread acceptThread_;
};

// A port on 127.0.0.1 that is bound but not listening: connecting is refused.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A listener on 127.0.0.1 whose accept queue is full and never drained, so a
// new connection attempt stays in the middle of connecting.
class StalledListener {
public:
    StalledListener();
    ~StalledListener();
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;
    std::uint16_t port() const { return port_; }
    // False when the system completed every probe connection, so the
    // stall cannot be staged here.
    bool stalled() const { return stalled_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    bool stalled_ = false;
    std::vector<int> fillers_;
};

// Resident memory of this process in bytes (from /proc/self/statm).
std::uint64_t residentBytes();

}  // namespace ossivant::test
