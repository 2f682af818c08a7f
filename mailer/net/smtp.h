#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "mailer/net/conn_mgr.h"
#include "mailer/net/smtp_reply_reader.h"
#include "mailer/net/smtp_timeouts.h"
#include "mailer/net/stream_socket.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Delivers one prepared message to one SMTP server in plain SMTP (RFC 821
// commands, no extensions): HELO, MAIL FROM, one RCPT TO per recipient,
// DATA with the dot-stuffed message text, QUIT. Reports exactly one result
// through OnDone: 0 aborted, 1 delivered, 2 failed. A message line of 999
// characters or more is never sent: the mail fails. Every wait for the
// server is bounded by SmtpTimeouts; an expired wait fails the mail.
class CSMTP : public IConnectionTarget, public IStreamOwner {
public:
    enum Result { kAborted = 0, kDelivered = 1, kFailedResult = 2 };
    static constexpr std::size_t kLineBufferSize = 1001;
    static constexpr std::size_t kMaxLineRead = 1000;
    static constexpr std::size_t kLongestLine = 998;

    CSMTP();
    virtual ~CSMTP();  // aborts silently
    CSMTP(const CSMTP&) = delete;
    CSMTP& operator=(const CSMTP&) = delete;

    void SetTimeouts(const SmtpTimeouts& timeouts) { timeouts_ = timeouts; }

    // The message file and the recipient list are borrowed: they must stay
    // until OnDone. The message file holds the text with CR LF line ends.
    bool Start(const std::string& host, std::uint16_t port, std::FILE* message,
               const std::string& sender, const std::vector<std::string>* recipients);
    void Abort(bool notify);

    void OnConnectResult(int value, int result) override;
    void StreamCallback(int value, int streamEvent, int error, const void* tag) override;

    int Result() const { return result_; }
    int LastError() const { return lastError_; }
    bool Finished() const { return state_ == State::Done; }
    bool Blocked() const { return blocked_; }
    const char* StateName() const;

protected:
    virtual void OnDone() = 0;

private:
    enum class State {
        Start, AwaitConnect, AwaitGreeting, AwaitHelo, AwaitMailFrom, AwaitRcpt, AwaitData,
        SendBody, AwaitEndOfData, SendQuit, AwaitQuit, Finish, Done,
    };
    enum Event {
        kNone = 0,
        kConnected = 1,
        kClosed = 2,
        kReply1xx = 3, kReply2xx = 4, kReply3xx = 5, kReply4xx = 6, kReply5xx = 7,
        kLineSent = 8,
        kConnectFailed = 9,
        kAbort = 10,
        kTimeout = 11,
    };

    State OnStart(int event);
    State OnAwaitConnect(int event);
    State OnAwaitGreeting(int event);
    State OnAwaitHelo(int event);
    State OnAwaitMailFrom(int event);
    State OnAwaitRcpt(int event);
    State OnAwaitData(int event);
    State OnSendBody(int event);
    State OnAwaitEndOfData(int event);
    State OnSendQuit(int event);
    State OnAwaitQuit(int event);
    State OnFinish(int event);
    State OnDoneState(int event);

    // The rows every state from HELO on shares: a refusal sends QUIT, a
    // closed connection or an expired wait ends at once, abort ends with 0.
    State CommonRows(int event);
    State Fail(State next);
    bool SendCommand(const char* format, const std::string& text);
    bool SendText(const char* text);  // a fixed command, through the line buffer
    bool SendRaw(const void* data, std::size_t length);
    State SendLines();
    enum class LineRead { kLine, kEnd, kError };
    LineRead ReadLine(std::size_t* length);

    void Feed(int event);
    State Dispatch(int event);  // runs the current state's handler
    void ChangeState(State next);
    void StartTimer(SmtpTimeouts::Duration duration);

    SmtpReplyReader reader_;
    char lineBuffer_[kLineBufferSize] = {};
    bool blocked_ = false;
    int result_ = kAborted;
    int lastError_ = 0;
    std::string host_;
    std::uint16_t port_ = 0;
    std::FILE* message_ = nullptr;
    std::string sender_;
    const std::vector<std::string>* recipients_ = nullptr;
    std::size_t nextRecipient_ = 0;
    bool notify_ = false;
    CStreamSocket stream_;
    CConnMgr conn_;
    SmtpTimeouts timeouts_;
    sys::EventLoop::TimerId timer_ = 0;
    State state_ = State::Done;
    std::deque<int> pending_;
    bool running_ = false;
};

// The session whose end is posted as a message: (window, message, first
// parameter, result).
class CSMTPNotify : public CSMTP {
public:
    CSMTPNotify(sys::Hwnd window, unsigned message, sys::WParam first)
        : window_(window), message_(message), first_(first) {}
    ~CSMTPNotify() override = default;

protected:
    void OnDone() override;

private:
    sys::Hwnd window_;
    unsigned message_;
    sys::WParam first_;
};

}  // namespace quorvane3
