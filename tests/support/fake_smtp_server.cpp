#include "tests/support/fake_smtp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>

#include <cerrno>
#include <stdexcept>

namespace testsupport {

FakeSmtpServer::FakeSmtpServer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sin;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 ||
        ::listen(listen_, 4) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sin), &len) != 0) {
        throw std::runtime_error("fake SMTP server: cannot listen");
    }
    port_ = ntohs(sin.sin_port);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("fake SMTP server: no pipe");
    stopRead_ = fds[0];
    stopWrite_ = fds[1];
}

FakeSmtpServer::~FakeSmtpServer() {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(stopWrite_, &byte, 1);
    Release();
    if (thread_.joinable()) thread_.join();
    if (tls_) SSL_free(tls_);
    if (tlsContext_) SSL_CTX_free(tlsContext_);
    ::close(listen_);
    ::close(stopRead_);
    ::close(stopWrite_);
}

FakeSmtpServer& FakeSmtpServer::Send(std::string bytes) {
    script_.push_back(Step{Step::kSend, std::move(bytes)});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::SendSplit(std::string bytes, std::size_t at) {
    script_.push_back(Step{Step::kSendSplit, std::move(bytes), at});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::SendByteByByte(std::string bytes) {
    script_.push_back(Step{Step::kSendBytes, std::move(bytes)});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::ReadLine() {
    script_.push_back(Step{Step::kReadLine, {}});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::ReadData() {
    script_.push_back(Step{Step::kReadData, {}});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::ReadBytes(std::size_t count) {
    script_.push_back(Step{Step::kReadBytes, {}, count});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::Hold() {
    script_.push_back(Step{Step::kHold, {}});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::Close() {
    script_.push_back(Step{Step::kClose, {}});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::StartTls(std::string certFile, std::string keyFile) {
    const std::size_t keyAt = certFile.size();
    script_.push_back(Step{Step::kStartTls, std::move(certFile) + std::move(keyFile), keyAt});
    return *this;
}

FakeSmtpServer& FakeSmtpServer::Dialogue(std::size_t recipients) {
    Send("220 fake ready\r\n").ReadLine().Send("250 hello\r\n").ReadLine().Send("250 sender ok\r\n");
    for (std::size_t i = 0; i < recipients; ++i) ReadLine().Send("250 recipient ok\r\n");
    ReadLine().Send("354 go ahead\r\n").ReadData().Send("250 queued\r\n");
    return ReadLine().Send("221 bye\r\n");
}

void FakeSmtpServer::Start() { thread_ = std::thread([this] { Run(); }); }

void FakeSmtpServer::Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    cv_.notify_all();
}

bool FakeSmtpServer::WaitFinished(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, bound, [this] { return finished_; });
}

std::string FakeSmtpServer::Transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

std::string FakeSmtpServer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool FakeSmtpServer::Accepted() const {
    std::lock_guard lock(mutex_);
    return accepted_;
}

void FakeSmtpServer::Record(const std::string& who, const std::string& bytes) {
    std::lock_guard lock(mutex_);
    transcript_ += who + ": " + bytes;
    if (bytes == "<close>") transcript_ += "\n";
}

void FakeSmtpServer::Run() {
    pollfd fds[2] = {{listen_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
    int conn = -1;
    if (::poll(fds, 2, -1) > 0 && (fds[0].revents & POLLIN)) {
        conn = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (conn >= 0) {
        int one = 1;
        ::setsockopt(conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        {
            std::lock_guard lock(mutex_);
            accepted_ = true;
        }
        if (Serve(conn)) {
            // After the script: listen until the client closes.
            while (Fill(conn)) {
            }
            if (!pending_.empty()) Record("C", pending_);
        }
        ::close(conn);
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    cv_.notify_all();
}

// Plays the script; false when the connection ended during it.
bool FakeSmtpServer::Serve(int conn) {
    for (const Step& step : script_) {
        std::string got;
        switch (step.kind) {
            case Step::kSend:
                if (!WriteAll(conn, step.bytes)) return false;
                Record("S", step.bytes);
                break;
            case Step::kSendSplit: {
                const std::size_t at = std::min(step.count, step.bytes.size());
                if (!WriteAll(conn, step.bytes.substr(0, at))) return false;
                WaitDrained(conn);
                if (!WriteAll(conn, step.bytes.substr(at))) return false;
                Record("S", step.bytes);
                break;
            }
            case Step::kSendBytes:
                for (char c : step.bytes) {
                    if (!WriteAll(conn, std::string(1, c))) return false;
                    WaitDrained(conn);
                }
                Record("S", step.bytes);
                break;
            case Step::kReadLine:
                if (!ReadUntil(conn, "\r\n", &got)) return false;
                Record("C", got);
                break;
            case Step::kReadData:
                if (!ReadMessageText(conn, &got)) return false;
                Record("C", got);
                break;
            case Step::kReadBytes:
                while (pending_.size() < step.count) {
                    if (!Fill(conn)) {
                        Record("C", pending_);
                        pending_.clear();
                        return false;
                    }
                }
                Record("C", pending_.substr(0, step.count));
                pending_.erase(0, step.count);
                break;
            case Step::kHold: {
                std::unique_lock lock(mutex_);
                cv_.wait(lock, [this] { return released_; });
                break;
            }
            case Step::kStartTls:
                if (!AcceptTls(conn, step)) {
                    Record("S", "<tls failed>\n");
                    return false;
                }
                Record("S", "<tls>\n");
                break;
            case Step::kClose:
                if (!pending_.empty()) Record("C", pending_);
                pending_.clear();
                Record("S", "<close>");
                return false;
        }
    }
    return true;
}

// The handshake runs on a non-blocking socket, so that a client that never
// starts one (or the server's end) cannot hold the thread.
bool FakeSmtpServer::AcceptTls(int conn, const Step& step) {
    tlsContext_ = SSL_CTX_new(TLS_server_method());
    if (!tlsContext_ ||
        SSL_CTX_use_certificate_chain_file(tlsContext_, step.bytes.substr(0, step.count).c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(tlsContext_, step.bytes.substr(step.count).c_str(),
                                    SSL_FILETYPE_PEM) != 1) {
        return false;
    }
    tls_ = SSL_new(tlsContext_);
    SSL_set_fd(tls_, conn);
    // Bytes the client sent before the handshake are plain text, not TLS.
    pending_.clear();
    const int flags = ::fcntl(conn, F_GETFL);
    ::fcntl(conn, F_SETFL, flags | O_NONBLOCK);
    bool done = false;
    for (;;) {
        const int ret = SSL_accept(tls_);
        if (ret == 1) {
            done = true;
            break;
        }
        const int error = SSL_get_error(tls_, ret);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) break;
        pollfd fds[2] = {{conn, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0},
                         {stopRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[1].revents) break;
    }
    ::fcntl(conn, F_SETFL, flags);
    if (!done) {
        SSL_free(tls_);
        tls_ = nullptr;
    }
    return done;
}

long FakeSmtpServer::Receive(int conn, char* buffer, std::size_t size) {
    if (!tls_) return static_cast<long>(::recv(conn, buffer, size, 0));
    for (;;) {
        const int n = SSL_read(tls_, buffer, static_cast<int>(size));
        if (n > 0) return n;
        if (SSL_get_error(tls_, n) != SSL_ERROR_WANT_READ) return 0;
    }
}

bool FakeSmtpServer::WriteAll(int conn, const std::string& bytes) {
    if (tls_) {
        return bytes.empty() ||
               SSL_write(tls_, bytes.data(), static_cast<int>(bytes.size())) ==
                   static_cast<int>(bytes.size());
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(conn, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Waits (a bounded while) until the peer acknowledged everything sent, and
// gives its reader a moment, so that the next write arrives on its own.
void FakeSmtpServer::WaitDrained(int conn) {
    for (int i = 0; i < 1000; ++i) {
        int queued = 0;
        if (::ioctl(conn, SIOCOUTQ, &queued) != 0 || queued == 0) break;
        ::usleep(100);
    }
    ::usleep(2000);
}

bool FakeSmtpServer::Fill(int conn) {
    pollfd fds[2] = {{conn, POLLIN, 0}, {stopRead_, POLLIN, 0}};
    for (;;) {
        if (tls_ && SSL_pending(tls_) > 0) {
            fds[1].revents = 0;
        } else if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents) return false;
        char buffer[65536];
        long n = Receive(conn, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!pending_.empty()) Record("C", pending_);
            pending_.clear();
            Record("C", "<close>");
            return false;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
        std::lock_guard lock(mutex_);
        received_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
}

bool FakeSmtpServer::ReadMessageText(int conn, std::string* out) {
    // An empty text is the end-of-data line alone.
    while (pending_.size() < 3 && pending_ == std::string(".\r\n").substr(0, pending_.size())) {
        if (!Fill(conn)) return false;
    }
    if (pending_.compare(0, 3, ".\r\n") == 0) return ReadUntil(conn, ".\r\n", out);
    return ReadUntil(conn, "\r\n.\r\n", out);
}

bool FakeSmtpServer::ReadUntil(int conn, const std::string& terminator, std::string* out) {
    for (;;) {
        std::size_t at = pending_.find(terminator);
        if (at != std::string::npos) {
            *out = pending_.substr(0, at + terminator.size());
            pending_.erase(0, at + terminator.size());
            return true;
        }
        if (!Fill(conn)) return false;
    }
}

}  // namespace testsupport
