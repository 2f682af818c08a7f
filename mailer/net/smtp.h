#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "mailer/net/conn_mgr.h"
#include "mailer/net/smtp_reply_reader.h"
#include "mailer/net/smtp_security.h"
#include "mailer/net/smtp_timeouts.h"
#include "mailer/net/state_driver.h"
#include "mailer/net/stream_socket.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Delivers one prepared message to one SMTP server. Without security it
// speaks plain SMTP (RFC 821 commands, no extensions): HELO, MAIL FROM, one
// RCPT TO per recipient, DATA with the dot-stuffed message text, QUIT. With
// STARTTLS (RFC 3207) or SSL/TLS (RFC 8314) it says EHLO (RFC 5321), runs the
// TLS handshake, says EHLO again and logs in with AUTH PLAIN or LOGIN
// (RFC 4954) when a user name is set, then goes on as above. A password is
// never sent without TLS. Reports exactly one result through OnDone:
// 0 aborted, 1 delivered, 2 failed; a failure leaves its cause in words and
// whether trying again could help. A message line of 999 characters or more
// is never sent: the mail fails. Every wait for the server is bounded by
// SmtpTimeouts; an expired wait fails the mail.
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
    void SetLogin(const SmtpLogin& login) { login_ = login; }

    // The message file and the recipient list are borrowed: they must stay
    // until OnDone. The message file holds the text with CR LF line ends.
    bool Start(const std::string& host, std::uint16_t port, std::FILE* message,
               const std::string& sender, const std::vector<std::string>* recipients);
    void Abort(bool notify);

    void OnConnectResult(int value, int result) override;
    void StreamCallback(int value, int streamEvent, int error, const void* tag) override;

    int Result() const { return result_; }
    int LastError() const { return lastError_; }
    // Why the mail failed, for the send log; empty when no cause is known.
    const std::string& FailureCause() const { return causeLogged_ ? cause_ : kNoCause; }
    // Why the mail failed, in words for the one who handed the job over;
    // also names the failures the send log gives no cause for.
    const std::string& OutcomeCause() const { return cause_; }
    // True when sending the same mail again cannot succeed unchanged (a
    // refusal with a 5xx reply, a certificate, a setting that does not fit).
    bool PermanentFailure() const { return permanent_; }
    // True once the server accepted the end of the data: the message is on
    // its way whatever happens to QUIT or the connection after it.
    bool DataAccepted() const { return dataAccepted_; }
    bool Finished() const { return state_ == State::Done; }
    bool Blocked() const { return blocked_; }
    const char* StateName() const;

protected:
    virtual void OnDone() = 0;

private:
    enum class State {
        Start, AwaitConnect, AwaitGreeting, AwaitHelo, AwaitEhlo, AwaitStartTls, AwaitHandshake,
        AwaitAuthUser, AwaitAuthPassword, AwaitAuth, AwaitMailFrom, AwaitRcpt, AwaitData,
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
        kTlsReady = 12,
        kTlsFailed = 13,
    };

    State OnStart(int event);
    State OnAwaitConnect(int event);
    State OnAwaitGreeting(int event);
    State OnAwaitHelo(int event);
    State OnAwaitEhlo(int event);
    State OnAwaitStartTls(int event);
    State OnAwaitHandshake(int event);
    State OnAwaitAuthUser(int event);
    State OnAwaitAuthPassword(int event);
    State OnAwaitAuth(int event);
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
    // Fails with a cause; the first cause found stands.
    State Fail(State next, std::string cause, bool permanent);
    // Fails with a cause the send log does not name; a logged cause found
    // later still takes its place.
    State FailUnlogged(State next, std::string cause, bool permanent);
    // `what` could not be handed to the socket.
    State FailToSend(const char* what);
    State FailToReadMessage();
    State SendGreeting(const char* format, State next);  // HELO or EHLO with this host's name
    State SendEhlo();
    State SendMailFrom();
    State Login(const EhloOffer& offer);
    const char* AwaitedStep() const;  // what the current state waits for, in words
    std::string PortText() const { return std::to_string(port_); }
    bool SendCommand(const char* format, const std::string& text);
    bool SendText(const char* text);  // a fixed command, through the line buffer
    bool SendRaw(const void* data, std::size_t length);
    State SendLines();
    enum class LineRead { kLine, kEnd, kError };
    LineRead ReadLine(std::size_t* length);

    void Feed(int event) { driver_.Feed(event); }
    State Dispatch(int event);  // runs the current state's handler
    void ChangeState(State next);
    void StartTimer(SmtpTimeouts::Duration duration) { driver_.Arm(duration); }

    SmtpReplyReader reader_;
    char lineBuffer_[kLineBufferSize] = {};
    bool blocked_ = false;
    int result_ = kAborted;
    int lastError_ = 0;
    static inline const std::string kNoCause;
    std::string cause_;
    bool causeLogged_ = false;
    bool permanent_ = false;
    bool dataAccepted_ = false;
    SmtpLogin login_;
    bool tlsActive_ = false;
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
    State state_ = State::Done;
    StateDriver<State> driver_{
        state_, [this](int event) { return Dispatch(event); },
        [this](State next) { ChangeState(next); }, kTimeout};
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
