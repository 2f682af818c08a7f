#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

namespace testsupport {

// A scripted SMTP server on 127.0.0.1 (a free port) for client tests. It runs
// on its own thread, accepts one connection and plays its script step by
// step; afterwards it keeps reading until the client closes. Every byte that
// passes is recorded in a transcript:
//   "S: <bytes the server sent>"   "C: <bytes the client sent>"
//   "S: <close>" / "C: <close>"    who closed the connection
// so a test compares the whole dialogue with one string.
class FakeSmtpServer {
public:
    FakeSmtpServer();
    ~FakeSmtpServer();
    FakeSmtpServer(const FakeSmtpServer&) = delete;
    FakeSmtpServer& operator=(const FakeSmtpServer&) = delete;

    std::uint16_t Port() const { return port_; }

    // Script steps (call before Start).
    FakeSmtpServer& Send(std::string bytes);
    // Sends the bytes in two writes, split before offset `at`; the first part
    // has left the server's socket before the second one is written.
    FakeSmtpServer& SendSplit(std::string bytes, std::size_t at);
    // Sends every byte on its own.
    FakeSmtpServer& SendByteByByte(std::string bytes);
    FakeSmtpServer& ReadLine();  // one line up to CR LF
    FakeSmtpServer& ReadData();  // the message text up to and including CR LF "." CR LF
    FakeSmtpServer& ReadBytes(std::size_t count);
    FakeSmtpServer& Hold();      // waits for Release() before the next step
    FakeSmtpServer& Close();     // the server closes the connection
    // The server side of a TLS handshake with this certificate and key (PEM
    // files); the steps after it speak through TLS and the transcript notes
    // "S: <tls>" (or "S: <tls failed>", which ends the script), each on a line.
    FakeSmtpServer& StartTls(std::string certFile, std::string keyFile);
    // A server that says nothing more: the script ends and the server only
    // listens until the client gives up.
    FakeSmtpServer& Stall() { return *this; }

    // The usual dialogue of one delivery, step by step.
    FakeSmtpServer& Dialogue(std::size_t recipients);

    void Start();
    void Release();
    // True once the connection ended (the client or the script closed it).
    bool WaitFinished(std::chrono::milliseconds bound);

    std::string Transcript() const;
    std::string Received() const;  // every byte the client sent
    bool Accepted() const;

private:
    struct Step {
        enum Kind {
            kSend, kSendSplit, kSendBytes, kReadLine, kReadData, kReadBytes, kHold, kClose, kStartTls,
        };
        Kind kind;
        std::string bytes;
        std::size_t count = 0;  // for kStartTls: where the key file's name starts in bytes
    };

    void Run();
    bool Serve(int conn);
    bool WriteAll(int conn, const std::string& bytes);
    bool AcceptTls(int conn, const Step& step);
    long Receive(int conn, char* buffer, std::size_t size);
    void WaitDrained(int conn);
    bool Fill(int conn);  // reads more into pending_; false on close or stop
    bool ReadMessageText(int conn, std::string* out);
    bool ReadUntil(int conn, const std::string& terminator, std::string* out);
    void Record(const std::string& who, const std::string& bytes);

    int listen_ = -1;
    int stopRead_ = -1;
    int stopWrite_ = -1;
    std::uint16_t port_ = 0;
    std::vector<Step> script_;
    std::string pending_;
    ssl_ctx_st* tlsContext_ = nullptr;
    ssl_st* tls_ = nullptr;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::string transcript_;
    std::string received_;
    bool accepted_ = false;
    bool finished_ = false;
    bool released_ = false;
};

}  // namespace testsupport
