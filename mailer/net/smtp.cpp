#include "mailer/net/smtp.h"

#include <cstdlib>
#include <cstring>

#include "mailer/mime/base64.h"
#include "mailer/net/fatal_error.h"
#include "mailer/sys/winsock_errors.h"

namespace quorvane3 {

namespace {
constexpr char kDot[] = ".";
constexpr char kQuit[] = "QUIT\r\n";
constexpr std::size_t kHostNameSize = 80;
}  // namespace

CSMTP::CSMTP() { conn_.SetTarget(this, 0); }

CSMTP::~CSMTP() { Abort(false); }

bool CSMTP::Start(const std::string& host, std::uint16_t port, std::FILE* message,
                  const std::string& sender, const std::vector<std::string>* recipients) {
    host_ = host;
    port_ = port;
    message_ = message;
    sender_ = sender;
    recipients_ = recipients;
    nextRecipient_ = 0;
    result_ = kAborted;
    lastError_ = 0;
    cause_.clear();
    causeLogged_ = false;
    permanent_ = false;
    dataAccepted_ = false;
    tlsActive_ = false;
    reader_.Clear();
    blocked_ = false;
    notify_ = true;
    conn_.SetConnectTimeout(timeouts_.connect);
    ChangeState(State::Start);
    Feed(kNone);
    return true;
}

void CSMTP::Abort(bool notify) {
    notify_ = notify;
    Feed(kAbort);
}

void CSMTP::OnConnectResult(int, int result) {
    if (result == CConnMgr::kConnectedResult) {
        Feed(kConnected);
    } else if (result == CConnMgr::kFailed) {
        lastError_ = conn_.LastError();
        Feed(kConnectFailed);
    }
}

void CSMTP::StreamCallback(int, int streamEvent, int error, const void* tag) {
    switch (streamEvent) {
        case kStreamReadable: {
            std::size_t size = reader_.FreeSize();
            int err = stream_.Receive(reader_.FreeSpace(), &size);
            if (err != 0 && err != sys::kWsaEWOULDBLOCK) {
                FatalAppExit("Couldn't read from socket in CSMTP.");
            }
            switch (reader_.Received(size)) {
                case SmtpReplyReader::Outcome::kNeedMore: return;
                case SmtpReplyReader::Outcome::kOverflow:
                    // A line longer than any reply may be: the server is of no
                    // further use, as if it had closed the connection.
                    lastError_ = sys::kWsaEMSGSIZE;
                    Feed(kClosed);
                    return;
                case SmtpReplyReader::Outcome::kReply: break;
            }
            const char code = reader_.ReplyCode();
            if (code < '1' || code > '5') FatalAppExit("Invalid SMTP reply received in CSMTP.");
            Feed(kReply1xx + (code - '1'));
            return;
        }
        case kStreamSent:
            // Only the line buffer's reports matter; their error shows up
            // on the next send or as a closed connection.
            if (tag == lineBuffer_) {
                blocked_ = false;
                Feed(kLineSent);
            }
            return;
        case kStreamClosed:
            if (error != 0) lastError_ = error;
            Feed(kClosed);
            return;
        case kStreamTlsReady: Feed(error == 0 ? kTlsReady : kTlsFailed); return;
        default: FatalAppExit("Unexpected socket event in CSMTP::StreamCallback");
    }
}

void CSMTPNotify::OnDone() {
    sys::EventLoop::Main().PostMessage(window_, message_, first_, Result());
}

// ---- machine -------------------------------------------------------------

CSMTP::State CSMTP::Dispatch(int event) {
    switch (state_) {
        case State::Start: return OnStart(event);
        case State::AwaitConnect: return OnAwaitConnect(event);
        case State::AwaitGreeting: return OnAwaitGreeting(event);
        case State::AwaitHelo: return OnAwaitHelo(event);
        case State::AwaitEhlo: return OnAwaitEhlo(event);
        case State::AwaitStartTls: return OnAwaitStartTls(event);
        case State::AwaitHandshake: return OnAwaitHandshake(event);
        case State::AwaitAuthUser: return OnAwaitAuthUser(event);
        case State::AwaitAuthPassword: return OnAwaitAuthPassword(event);
        case State::AwaitAuth: return OnAwaitAuth(event);
        case State::AwaitMailFrom: return OnAwaitMailFrom(event);
        case State::AwaitRcpt: return OnAwaitRcpt(event);
        case State::AwaitData: return OnAwaitData(event);
        case State::SendBody: return OnSendBody(event);
        case State::AwaitEndOfData: return OnAwaitEndOfData(event);
        case State::SendQuit: return OnSendQuit(event);
        case State::AwaitQuit: return OnAwaitQuit(event);
        case State::Finish: return OnFinish(event);
        case State::Done: return OnDoneState(event);
    }
    return state_;
}

// The one place where the state changes; it also arms the wait of the new
// state.
void CSMTP::ChangeState(State next) {
#ifndef NDEBUG
    if (std::getenv("QUORVANE3_TRACE")) {
        const char* from = StateName();
        state_ = next;
        std::fprintf(stderr, "CSMTP %s -> %s\n", from, StateName());
    }
#endif
    state_ = next;
    switch (next) {
        case State::AwaitGreeting: StartTimer(timeouts_.greeting); break;
        case State::AwaitHelo:
        case State::AwaitEhlo:
        case State::AwaitStartTls:
        case State::AwaitAuthUser:
        case State::AwaitAuthPassword:
        case State::AwaitAuth: StartTimer(timeouts_.helo); break;
        case State::AwaitHandshake: StartTimer(timeouts_.handshake); break;
        case State::AwaitMailFrom: StartTimer(timeouts_.mailFrom); break;
        case State::AwaitRcpt: StartTimer(timeouts_.rcpt); break;
        case State::AwaitData: StartTimer(timeouts_.dataInit); break;
        case State::SendBody: StartTimer(timeouts_.dataBlock); break;
        case State::AwaitEndOfData: StartTimer(timeouts_.endOfData); break;
        case State::AwaitQuit: StartTimer(timeouts_.quit); break;
        default: StartTimer(SmtpTimeouts::Duration::zero()); break;
    }
}

CSMTP::State CSMTP::Fail(State next) {
    result_ = kFailedResult;
    return next;
}

CSMTP::State CSMTP::Fail(State next, std::string cause, bool permanent) {
    if (!causeLogged_) {
        cause_ = std::move(cause);
        causeLogged_ = true;
        permanent_ = permanent;
    }
    return Fail(next);
}

CSMTP::State CSMTP::FailUnlogged(State next, std::string cause, bool permanent) {
    if (cause_.empty()) {
        cause_ = std::move(cause);
        permanent_ = permanent;
    }
    return Fail(next);
}

CSMTP::State CSMTP::FailToSend(const char* what) {
    // Only a command longer than any line may be is refused before the socket sees it.
    if (lastError_ == sys::kWsaEMSGSIZE) {
        return FailUnlogged(State::Finish, std::string(what) + " is too long to send", true);
    }
    return FailUnlogged(State::Finish,
                        std::string("the connection failed while sending ") + what +
                            " (socket error " + std::to_string(lastError_) + ")",
                        false);
}

namespace {

// The last line of a reply without its CR LF: the words an operator reads.
std::string FinalLine(const std::string& reply) {
    std::string line = reply;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    const std::size_t start = line.rfind("\r\n");
    return start == std::string::npos ? line : line.substr(start + 2);
}

}  // namespace

CSMTP::State CSMTP::CommonRows(int event) {
    switch (event) {
        case kReply1xx:
        case kReply2xx:
        case kReply3xx:
        case kReply4xx:
        case kReply5xx:
            return Fail(State::SendQuit,
                        std::string("the server refused ") + AwaitedStep() + ": " +
                            FinalLine(reader_.LastReply()),
                        event == kReply5xx);
        case kClosed:
            return Fail(State::Finish,
                        std::string("the server closed the connection at ") + AwaitedStep(), false);
        case kAbort: result_ = kAborted; return State::Finish;
        case kTimeout:
            lastError_ = sys::kWsaETIMEDOUT;
            return Fail(State::Finish,
                        std::string("no answer to ") + AwaitedStep() + " within the time-out",
                        false);
        default: return state_;
    }
}

const char* CSMTP::AwaitedStep() const {
    switch (state_) {
        case State::AwaitGreeting: return "the greeting";
        case State::AwaitHelo: return "HELO";
        case State::AwaitEhlo: return "EHLO";
        case State::AwaitStartTls: return "STARTTLS";
        case State::AwaitHandshake: return "the TLS handshake";
        case State::AwaitAuthUser:
        case State::AwaitAuthPassword:
        case State::AwaitAuth: return "AUTH";
        case State::AwaitMailFrom: return "MAIL FROM";
        case State::AwaitRcpt: return "RCPT TO";
        case State::AwaitData: return "DATA";
        case State::SendBody: return "the message text";
        case State::AwaitEndOfData: return "the end of the message";
        default: return "QUIT";
    }
}

bool CSMTP::SendRaw(const void* data, std::size_t length) {
    int err = stream_.Send(data, length);
    if (err == 0 || err == sys::kWsaEWOULDBLOCK) return true;
    lastError_ = err;
    return false;
}

bool CSMTP::SendCommand(const char* format, const std::string& text) {
    int n = std::snprintf(lineBuffer_, sizeof lineBuffer_, format, text.c_str());
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof lineBuffer_) {
        // A command that does not fit the line buffer is never sent cut short.
        lastError_ = sys::kWsaEMSGSIZE;
        return false;
    }
    return SendRaw(lineBuffer_, static_cast<std::size_t>(n));
}

bool CSMTP::SendText(const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(lineBuffer_, text, n);
    return SendRaw(lineBuffer_, n);
}

// ---- states --------------------------------------------------------------

CSMTP::State CSMTP::OnStart(int) {
    if (login_.security == SmtpSecurity::kNone && !login_.user.empty()) {
        return Fail(State::Finish,
                    "a password is never sent without TLS: choose STARTTLS or SSL/TLS", true);
    }
    conn_.Connect(host_, port_, &stream_, this, 0);
    return State::AwaitConnect;
}

CSMTP::State CSMTP::OnAwaitConnect(int event) {
    switch (event) {
        case kConnected:
            if (login_.security != SmtpSecurity::kImplicitTls) return State::AwaitGreeting;
            if (stream_.StartTls(host_) != 0) {
                lastError_ = stream_.LastError();
                return Fail(State::Finish, "TLS could not be started", false);
            }
            return State::AwaitHandshake;
        case kConnectFailed:
            return Fail(State::Finish,
                        "no connection to " + host_ + " port " + PortText() + " (socket error " +
                            std::to_string(lastError_) + ")",
                        false);
        case kAbort:
            conn_.Cancel(false);
            result_ = kAborted;
            return State::Finish;
        default: return state_;
    }
}

CSMTP::State CSMTP::OnAwaitGreeting(int event) {
    switch (event) {
        case kReply2xx:
            if (login_.security != SmtpSecurity::kNone) return SendEhlo();
            return SendGreeting("HELO %s\r\n", State::AwaitHelo);
        case kReply1xx:
        case kReply3xx:
        case kReply4xx:
        case kReply5xx:
            // Refused before HELO: no QUIT, the connection is simply closed.
            return Fail(State::Finish,
                        "the server refused the connection: " + FinalLine(reader_.LastReply()),
                        event == kReply5xx);
        case kTimeout:
            // A server that waits for a TLS handshake says nothing first.
            if (login_.security == SmtpSecurity::kStartTls) {
                lastError_ = sys::kWsaETIMEDOUT;
                return Fail(State::Finish,
                            "no greeting: the server on port " + PortText() +
                                " expects SSL/TLS, not STARTTLS",
                            true);
            }
            return CommonRows(event);
        default: return CommonRows(event);
    }
}

CSMTP::State CSMTP::OnAwaitHelo(int event) {
    if (event != kReply2xx) return CommonRows(event);
    return SendMailFrom();
}

CSMTP::State CSMTP::SendMailFrom() {
    if (!SendCommand("MAIL FROM:<%s>\r\n", sender_)) return FailToSend("MAIL FROM");
    return State::AwaitMailFrom;
}

CSMTP::State CSMTP::SendGreeting(const char* format, State next) {
    char name[kHostNameSize] = {};
    if (int err = sys::GetLocalHostName(name, sizeof name)) {
        lastError_ = err;
        return FailUnlogged(State::Finish,
                            "this computer's name could not be read (error " +
                                std::to_string(err) + ")",
                            false);
    }
    if (!SendCommand(format, name)) return FailToSend("the greeting");
    return next;
}

CSMTP::State CSMTP::SendEhlo() { return SendGreeting("EHLO %s\r\n", State::AwaitEhlo); }

CSMTP::State CSMTP::OnAwaitEhlo(int event) {
    if (event != kReply2xx) return CommonRows(event);
    const EhloOffer offer = ReadEhloOffer(reader_.LastReply());
    if (login_.security == SmtpSecurity::kStartTls && !tlsActive_) {
        // Without TLS nothing more is said, least of all the password.
        if (!offer.startTls) return Fail(State::Finish, "server offers no STARTTLS", true);
        if (!SendText("STARTTLS\r\n")) return FailToSend("STARTTLS");
        return State::AwaitStartTls;
    }
    if (login_.user.empty()) return SendMailFrom();
    return Login(offer);
}

// PLAIN when the server offers it (one round trip), else LOGIN.
CSMTP::State CSMTP::Login(const EhloOffer& offer) {
    if (offer.authPlain) {
        if (!SendCommand("AUTH PLAIN %s\r\n", AuthPlainArgument(login_))) return FailToSend("AUTH");
        return State::AwaitAuth;
    }
    if (offer.authLogin) {
        if (!SendText("AUTH LOGIN\r\n")) return FailToSend("AUTH");
        return State::AwaitAuthUser;
    }
    return Fail(State::SendQuit, "the server offers neither AUTH PLAIN nor AUTH LOGIN", true);
}

CSMTP::State CSMTP::OnAwaitStartTls(int event) {
    if (event != kReply2xx) return CommonRows(event);
    // Whatever came after the reply in clear text is not to be believed.
    reader_.Clear();
    if (stream_.StartTls(host_) != 0) {
        lastError_ = stream_.LastError();
        return Fail(State::Finish, "TLS could not be started", false);
    }
    return State::AwaitHandshake;
}

CSMTP::State CSMTP::OnAwaitHandshake(int event) {
    switch (event) {
        case kTlsReady:
            tlsActive_ = true;
            if (login_.security == SmtpSecurity::kImplicitTls) return State::AwaitGreeting;
            return SendEhlo();
        case kTlsFailed: {
            const sys::TlsFailure failure = stream_.TlsFailure();
            if (failure.kind == sys::TlsFailureKind::kPlainTextPeer) {
                return Fail(State::Finish,
                            "the server on port " + PortText() + " expects STARTTLS, not SSL/TLS",
                            true);
            }
            return Fail(State::Finish, failure.detail,
                        failure.kind != sys::TlsFailureKind::kClosed);
        }
        default: return CommonRows(event);
    }
}

CSMTP::State CSMTP::OnAwaitAuthUser(int event) {
    if (event != kReply3xx) return CommonRows(event);
    if (!SendCommand("%s\r\n", EncodeBase64(login_.user))) return FailToSend("the user name");
    return State::AwaitAuthPassword;
}

CSMTP::State CSMTP::OnAwaitAuthPassword(int event) {
    if (event != kReply3xx) return CommonRows(event);
    if (!SendCommand("%s\r\n", EncodeBase64(login_.password))) return FailToSend("the password");
    return State::AwaitAuth;
}

CSMTP::State CSMTP::OnAwaitAuth(int event) {
    if (event != kReply2xx) return CommonRows(event);
    return SendMailFrom();
}

CSMTP::State CSMTP::OnAwaitMailFrom(int event) {
    if (event != kReply2xx) return CommonRows(event);
    // Nobody to deliver to: the mail cannot succeed.
    if (recipients_ == nullptr || recipients_->empty()) {
        return FailUnlogged(State::SendQuit, "the mail names no recipient", true);
    }
    nextRecipient_ = 0;
    if (!SendCommand("RCPT TO:<%s>\r\n", (*recipients_)[nextRecipient_++])) {
        return FailToSend("RCPT TO");
    }
    return State::AwaitRcpt;
}

CSMTP::State CSMTP::OnAwaitRcpt(int event) {
    if (event != kReply2xx) return CommonRows(event);
    if (nextRecipient_ < recipients_->size()) {
        if (!SendCommand("RCPT TO:<%s>\r\n", (*recipients_)[nextRecipient_++])) {
            return FailToSend("RCPT TO");
        }
        StartTimer(timeouts_.rcpt);  // each RCPT gets its own wait
        return State::AwaitRcpt;
    }
    if (!SendText("DATA\r\n")) return FailToSend("DATA");
    return State::AwaitData;
}

CSMTP::State CSMTP::OnAwaitData(int event) {
    if (event != kReply3xx) return CommonRows(event);
    return State::SendBody;
}

CSMTP::State CSMTP::OnSendBody(int event) {
    switch (event) {
        case kNone:
            if (blocked_) return state_;
            return SendLines();
        case kLineSent: return SendLines();
        default: return CommonRows(event);
    }
}

CSMTP::State CSMTP::OnAwaitEndOfData(int event) {
    if (event != kReply2xx) return CommonRows(event);
    result_ = kDelivered;
    dataAccepted_ = true;
    return State::SendQuit;
}

CSMTP::State CSMTP::OnSendQuit(int) {
    // From a text of its own: a refusal during the message text can come
    // while a body line still waits in the socket's queue, and that line
    // must not be overwritten.
    if (!SendRaw(kQuit, sizeof kQuit - 1)) return FailToSend("QUIT");
    return State::AwaitQuit;
}

CSMTP::State CSMTP::OnAwaitQuit(int event) {
    switch (event) {
        case kClosed:
        case kReply1xx:
        case kReply2xx:
        case kReply3xx:
        case kReply4xx:
        case kReply5xx:
        case kTimeout: return State::Finish;  // the result stands
        case kAbort: result_ = kAborted; return State::Finish;
        default: return state_;
    }
}

CSMTP::State CSMTP::OnFinish(int) {
    StartTimer(SmtpTimeouts::Duration::zero());
    stream_.Close();
    host_.clear();
    sender_.clear();
    if (notify_) OnDone();
    return State::Done;
}

CSMTP::State CSMTP::OnDoneState(int) { return state_; }

const char* CSMTP::StateName() const {
    static constexpr const char* kNames[] = {
        "Start", "AwaitConnect", "AwaitGreeting", "AwaitHelo", "AwaitEhlo", "AwaitStartTls",
        "AwaitHandshake", "AwaitAuthUser", "AwaitAuthPassword", "AwaitAuth", "AwaitMailFrom",
        "AwaitRcpt", "AwaitData", "SendBody", "AwaitEndOfData", "SendQuit",
        "AwaitQuit", "Finish", "Done",
    };
    return kNames[static_cast<int>(state_)];
}

// ---- message text ----------------------------------------------------------

// Reads one line of the message: at most kMaxLineRead characters up to a
// LF, which is consumed and not kept; the file's CR LF is read back as LF.
CSMTP::LineRead CSMTP::ReadLine(std::size_t* length) {
    std::size_t n = 0;
    for (;;) {
        int c = getc_unlocked(message_);
        if (c == EOF) {
            if (std::ferror(message_)) return LineRead::kError;
            break;
        }
        if (c == '\n') {
            if (n > 0 && lineBuffer_[n - 1] == '\r') --n;
            break;
        }
        lineBuffer_[n++] = static_cast<char>(c);
        if (n == kMaxLineRead) break;
    }
    *length = n;
    return LineRead::kLine;
}

// Sends lines until the socket holds one back (wait for its report), the
// text ends (send the end of data) or something fails (end at once).
CSMTP::State CSMTP::SendLines() {
    for (;;) {
        int c = message_ ? getc_unlocked(message_) : EOF;
        if (c == EOF) {
            if (message_ && std::ferror(message_)) return FailToReadMessage();
            if (!SendText(".\r\n")) return FailToSend("the end of the message");
            return State::AwaitEndOfData;
        }
        std::ungetc(c, message_);
        std::size_t len = 0;
        if (ReadLine(&len) == LineRead::kError) return FailToReadMessage();
        if (len > kLongestLine) {
            return FailUnlogged(State::Finish,
                                "a line of the message is longer than " +
                                    std::to_string(kLongestLine) + " characters",
                                true);
        }
        lineBuffer_[len++] = '\r';
        lineBuffer_[len++] = '\n';
        if (lineBuffer_[0] == '.' && !SendRaw(kDot, 1)) return FailToSend("the message text");
        int err = stream_.Send(lineBuffer_, len);
        if (err == sys::kWsaEWOULDBLOCK) {
            blocked_ = true;
            StartTimer(timeouts_.dataBlock);
            return state_;
        }
        if (err != 0) {
            lastError_ = err;
            return FailToSend("the message text");
        }
    }
}

CSMTP::State CSMTP::FailToReadMessage() {
    return FailUnlogged(State::Finish, "the message file could not be read", false);
}

}  // namespace quorvane3
