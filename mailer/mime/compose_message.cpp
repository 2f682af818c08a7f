#include "mailer/mime/compose_message.h"

#include <cerrno>

#include "mailer/log/configuration.h"
#include "mailer/mime/address_header.h"
#include "mailer/mime/attachment_part.h"
#include "mailer/mime/boundary.h"
#include "mailer/mime/header_text.h"
#include "mailer/mime/message_stamp.h"
#include "mailer/mime/recipient_list.h"
#include "mailer/mime/text_part.h"
#include "mailer/sys/temp_file.h"

namespace quorvane3 {

namespace {

void PutAddressLine(MessageWriter& out, const char* name, std::string_view addresses,
                    uint32_t charsetCode, AddressField kind) {
    std::string line = name;
    WriteAddressHeader(line, addresses, charsetCode, kind);
    line += '\n';
    out.Put(line);
}

}  // namespace

MessageStamp MakeMessageStamp(const MailJob& job) {
    MessageStamp stamp;
    stamp.date = FormatDate();
    stamp.messageId = MakeMessageId(job.serverHost);
    char boundary[kBoundaryBuffer];
    MakeBoundary(boundary, sizeof boundary);
    stamp.boundary = boundary;
    return stamp;
}

std::string ResolveMailerName(const MailJob& job) {
    if (!job.mailerName.empty()) return job.mailerName;
    std::string configured = ReadConfiguredMailerName();
    return configured.empty() ? std::string(kDefaultMailerName) : configured;
}

std::string OneHeaderLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return line;
}

void WriteMessage(MessageWriter& out, const MailJob& job, const MessageStamp& stamp,
                  std::string_view mailerName) {
    const uint32_t charset = job.charsetCode;
    out.Put("Date: " + stamp.date + "\n");
    if (!job.fromField.empty()) {
        PutAddressLine(out, "From: ", job.fromField, charset, AddressField::kOne);
    }
    if (!job.replyTo.empty()) {
        PutAddressLine(out, "Reply-To: ", job.replyTo, charset, AddressField::kOne);
    }
    out.Put("X-Mailer: " + OneHeaderLine(mailerName) + "\n");
    out.Put("MIME-Version: 1.0\n");
    PutAddressLine(out, "To: ", job.toList, charset, AddressField::kList);
    if (!job.ccList.empty()) PutAddressLine(out, "Cc: ", job.ccList, charset, AddressField::kList);
    out.Put("Subject: " + EncodeHeaderText(OneHeaderLine(job.subject), charset) + "\n");
    out.Put("Message-ID: <" + stamp.messageId + ">\n");

    if (job.attachmentList.empty()) {
        WriteTextPart(out, job.bodyText, charset);
        return;
    }
    const std::string delimiter = "--" + stamp.boundary + "\n";
    out.Put("Content-Type: multipart/mixed;\n    boundary=\"" + stamp.boundary + "\"\n\n\n");
    out.Put(delimiter);
    WriteTextPart(out, job.bodyText, charset);
    for (const std::string& path : SplitAttachmentList(job.attachmentList)) {
        WriteAttachmentPart(out, path, charset, "\n" + delimiter);
    }
    out.Put("\n--" + stamp.boundary + "--\n");
}

SendContext::~SendContext() {
    smtp.reset();
    if (reader) std::fclose(reader);
}

std::unique_ptr<SendContext> ComposeMessage(const MailJob& job, sys::Hwnd controlWindow,
                                            const SmtpTimeouts& timeouts) {
    std::vector<std::string> recipients = BuildRecipientList(job.toList, job.ccList);
    if (recipients.empty()) return nullptr;

    auto context = std::make_unique<SendContext>();
    context->recipients = std::move(recipients);
    errno = 0;
    if (std::FILE* file = sys::CreateTempFile("MAIL", &context->tempPath)) {
        std::vector<char> buffer(1 << 16);
        std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
        {
            CrLfFileWriter writer(file);
            WriteMessage(writer, job, MakeMessageStamp(job), ResolveMailerName(job));
        }
        const bool written = std::fflush(file) == 0 && !std::ferror(file);
        if (std::fclose(file) != 0 || !written) context->fileError = errno != 0 ? errno : EIO;
    } else {
        context->fileError = errno != 0 ? errno : EIO;
    }
    // Half a message must never go out as a whole one for a job that can be sent again.
    if (job.tracked && context->fileError != 0) return context;
    // A message file that could not be made or read back leaves an empty
    // message; the session still runs and the server judges it.
    if (!context->tempPath.empty()) context->reader = std::fopen(context->tempPath.c_str(), "rb");
    context->smtp = std::make_unique<CSMTPNotify>(controlWindow, kMsgSendDone, 0);
    context->smtp->SetTimeouts(timeouts);
    context->smtp->SetLogin(
        SmtpLogin{static_cast<SmtpSecurity>(job.security), job.userName, job.password});
    context->active = true;
    context->smtp->Start(job.serverHost, job.serverPort, context->reader, job.senderAddress,
                         &context->recipients);
    return context;
}

}  // namespace quorvane3
