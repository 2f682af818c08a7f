#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mailer/job/mail_job.h"
#include "mailer/mime/message_writer.h"
#include "mailer/net/smtp.h"
#include "mailer/net/smtp_timeouts.h"
#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// The per-message texts that vary with time and place.
struct MessageStamp {
    std::string date;       // Date header text
    std::string messageId;  // Message-ID without brackets
    std::string boundary;   // multipart boundary, 29 characters
};

// A stamp for now, this host and the job's server.
MessageStamp MakeMessageStamp(const MailJob& job);

// The X-Mailer text: the job's mailer name, else MAILER of the
// configuration, else "QUORVANE3 1.1".
std::string ResolveMailerName(const MailJob& job);

// A header text with every CR and LF replaced by a blank, so that it can
// neither start a header line nor end the header block.
std::string OneHeaderLine(std::string_view text);

// Writes the whole message of `job` (LF line ends): Date, From, Reply-To,
// X-Mailer, MIME-Version, To, Cc, Subject, Message-ID, then the text part
// alone or, with attachments, a multipart/mixed body of the text part and
// one part per attachment.
void WriteMessage(MessageWriter& out, const MailJob& job, const MessageStamp& stamp,
                  std::string_view mailerName);

// Everything one delivery needs until its completion notice: the message
// file (written, then open for reading), the envelope recipients and the
// SMTP session reading them. Destroying it ends a running session silently
// and closes the file; the file itself stays on disk.
struct SendContext {
    std::string tempPath;
    std::vector<std::string> recipients;
    std::unique_ptr<CSMTPNotify> smtp;
    std::FILE* reader = nullptr;
    bool active = false;
    int fileError = 0;  // errno when the message file could not be made or written whole

    SendContext() = default;
    ~SendContext();
    SendContext(const SendContext&) = delete;
    SendContext& operator=(const SendContext&) = delete;
};

// The message number of the completion notice posted to the control window;
// its second parameter carries the result (0 aborted, 1 delivered, 2 failed).
inline constexpr unsigned kMsgSendDone = sys::kWmUser;

// Composes the job's message into a new temporary file "MAIL..." and starts
// its delivery, which ends with kMsgSendDone posted to `controlWindow`.
// Null (nothing created or sent) when To and Cc hold no address. A tracked
// job whose message file could not be written whole is not sent: the
// context comes back without a session and with its fileError.
std::unique_ptr<SendContext> ComposeMessage(const MailJob& job, sys::Hwnd controlWindow,
                                            const SmtpTimeouts& timeouts);

}  // namespace quorvane3
