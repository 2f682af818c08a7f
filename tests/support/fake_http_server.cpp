#include "tests/support/fake_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace ossivant::test {

namespace {

constexpr int kCloseDrainMs = 5000;

int boundSocket(std::uint16_t* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

HttpScript httpReply(std::string response) {
    return {HttpStep::readRequest(), HttpStep::send(std::move(response)), HttpStep::close()};
}

FakeHttpServer::FakeHttpServer(HttpScript defaultScript) : defaultScript_(std::move(defaultScript)) {
    listenFd_ = boundSocket(&port_);
    if (::listen(listenFd_, 16) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error("listen failed");
    }
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

FakeHttpServer::~FakeHttpServer() {
    (void)!::write(stopPipe_[1], "x", 1);
    acceptThread_.join();
    for (auto& t : workers_) t.join();
    ::close(listenFd_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void FakeHttpServer::queue(HttpScript script) {
    std::lock_guard lock(mutex_);
    queued_.push_back(std::move(script));
}

std::string FakeHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int FakeHttpServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

std::vector<std::string> FakeHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<FakeHttpServer::Clock::time_point> FakeHttpServer::peerCloses() const {
    std::lock_guard lock(mutex_);
    return peerCloses_;
}

bool FakeHttpServer::waitForConnections(int n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return connections_ >= n; });
}

bool FakeHttpServer::waitForPeerCloses(int n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return int(peerCloses_.size()) >= n; });
}

void FakeHttpServer::notePeerClose() {
    std::lock_guard lock(mutex_);
    peerCloses_.push_back(Clock::now());
    changed_.notify_all();
}

bool FakeHttpServer::waitFor(int fd, short events, int timeoutMs) const {
    pollfd fds[2] = {{fd, events, 0}, {stopPipe_[0], POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || fds[1].revents) return false;
        return true;
    }
}

void FakeHttpServer::acceptLoop() {
    for (;;) {
        if (!waitFor(listenFd_, POLLIN, -1)) return;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        HttpScript script;
        {
            std::lock_guard lock(mutex_);
            ++connections_;
            if (queued_.empty()) {
                script = defaultScript_;
            } else {
                script = std::move(queued_.front());
                queued_.pop_front();
            }
            changed_.notify_all();
        }
        workers_.emplace_back([this, fd, script = std::move(script)] { serve(fd, script); });
    }
}

void FakeHttpServer::serve(int fd, HttpScript script) {
    bool open = true;
    // Reads what the peer sends; false once it has closed (noted once).
    auto readSome = [&](std::string* into) {
        char buf[4096];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n > 0) {
            if (into) into->append(buf, size_t(n));
            return true;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
        notePeerClose();
        return false;
    };
    auto sendAll = [&](const char* data, size_t size) {
        while (size > 0) {
            if (!waitFor(fd, POLLOUT, -1)) return false;
            ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                notePeerClose();
                return false;
            }
            data += n;
            size -= size_t(n);
        }
        return true;
    };

    for (const HttpStep& step : script) {
        if (!open) break;
        switch (step.kind) {
        case HttpStep::ReadRequest: {
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                if (!waitFor(fd, POLLIN, -1) || !readSome(&request)) {
                    open = false;
                    break;
                }
            }
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            changed_.notify_all();
            break;
        }
        case HttpStep::Send:
            open = sendAll(step.bytes.data(), step.bytes.size());
            break;
        case HttpStep::Delay:
            // A stop during the pause ends the script; the time running out
            // is the normal case.
            {
                pollfd stop{stopPipe_[0], POLLIN, 0};
                if (::poll(&stop, 1, int(step.delay.count())) > 0) open = false;
            }
            break;
        case HttpStep::Stream: {
            static const std::string filler(64 * 1024, 'x');
            std::uint64_t left = step.count;
            while (open && left > 0) {
                size_t chunk = size_t(std::min<std::uint64_t>(left, filler.size()));
                open = sendAll(filler.data(), chunk);
                left -= chunk;
            }
            break;
        }
        case HttpStep::Close:
            ::shutdown(fd, SHUT_WR);
            while (waitFor(fd, POLLIN, kCloseDrainMs) && readSome(nullptr)) {
            }
            open = false;
            break;
        case HttpStep::Reset: {
            linger lg{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
            open = false;
            break;
        }
        case HttpStep::Silent:
            while (waitFor(fd, POLLIN, -1) && readSome(nullptr)) {
            }
            open = false;
            break;
        }
    }
    ::close(fd);
}

RefusingPort::RefusingPort() { fd_ = boundSocket(&port_); }
RefusingPort::~RefusingPort() { ::close(fd_); }

StalledListener::StalledListener() {
    fd_ = boundSocket(&port_);
    ::listen(fd_, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port_);
    // Fill the accept queue until a connection attempt no longer completes.
    for (int i = 0; i < 16 && !stalled_; ++i) {
        int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        fillers_.push_back(c);
        if (::connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) continue;
        pollfd p{c, POLLOUT, 0};
        stalled_ = ::poll(&p, 1, 200) == 0;
    }
}

StalledListener::~StalledListener() {
    for (int c : fillers_) ::close(c);
    ::close(fd_);
}

std::uint64_t residentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return n == 2 ? std::uint64_t(resident) * std::uint64_t(::sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace ossivant::test
