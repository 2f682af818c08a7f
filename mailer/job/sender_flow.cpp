#include "mailer/job/sender_flow.h"

#include <unistd.h>

#include <memory>

#include "mailer/job/mail_job.h"
#include "mailer/job/run_record.h"
#include "mailer/log/send_log.h"
#include "mailer/mime/compose_message.h"
#include "mailer/mime/recipient_list.h"
#include "mailer/net/winsock_event_registry.h"
#include "mailer/sys/event_loop.h"
#include "mailer/sys/local_time.h"

namespace quorvane3 {

namespace {

constexpr sys::WParam kCommandSend = 32;

// The hidden control window: it composes and starts the delivery on
// command 32 and tears everything down on the completion notice.
class ControlWindow {
public:
    ControlWindow(const MailJob& job, const SmtpTimeouts& timeouts)
        : job_(job), timeouts_(timeouts) {}

    sys::LParam Proc(sys::Hwnd hwnd, unsigned msg, sys::WParam w, sys::LParam l) {
        sys::EventLoop& loop = sys::EventLoop::Main();
        switch (msg) {
            case sys::kWmCreate:
                loop.SendMessage(hwnd, sys::kWmCommand, kCommandSend, 0);
                return 0;
            case sys::kWmCommand:
                if ((w & 0xFFFF) == kCommandSend) StartSending(hwnd);
                return 0;
            case kMsgSendDone:
                Finish(hwnd, l);
                return 0;
            case sys::kWmDestroy:
                loop.PostQuitMessage(0);
                return 0;
            default:
                return 0;
        }
    }

private:
    void StartSending(sys::Hwnd hwnd) {
        context_ = ComposeMessage(job_, hwnd, timeouts_);
        if (!context_) TearDown(hwnd);  // no recipient: nothing to send
    }

    void Finish(sys::Hwnd hwnd, sys::LParam result) {
        const std::string cause = context_ ? context_->smtp->FailureCause() : std::string();
        WriteSendLog(job_, OutcomeFromNotice(static_cast<long>(result)), job_.senderAddress,
                     job_.toList, job_.subject, cause);
        if (context_ && !context_->tempPath.empty()) ::unlink(context_->tempPath.c_str());
        context_.reset();
        TearDown(hwnd);
    }

    static void TearDown(sys::Hwnd hwnd) {
        DestroyEventWindow();
        sys::EventLoop::Main().DestroyWindow(hwnd);
    }

    const MailJob& job_;
    const SmtpTimeouts& timeouts_;
    std::unique_ptr<SendContext> context_;
};

// The attachment goes when the job asks for it. With several attachments
// the whole list names no file, so nothing is deleted.
void DisposeAttachment(const MailJob& job) {
    if (job.attachmentList.empty() || job.disposeFlag == 0 || job.disposeFlag == -99) return;
    ::unlink(job.attachmentList.c_str());
}

}  // namespace

int RunSender(const std::string& jobPath, const SenderOptions& options) {
    if (jobPath.empty()) return 0;
    MailJob job;
    if (!ReadMailJob(jobPath, job)) return 0;
    if (!CoordinateCopies(job.logDir, options.coordination).proceed) return 0;

    if (SocketStartupError() != 0 || !CreateEventWindow()) return 0;
    AppendRunRecord(job.logDir, sys::LocalTimeNow());

    sys::EventLoop& loop = sys::EventLoop::Main();
    {
        ControlWindow control(job, options.timeouts);
        loop.CreateWindow("HIDDENWINDOW",
                          [&control](sys::Hwnd h, unsigned m, sys::WParam w, sys::LParam l) {
                              return control.Proc(h, m, w, l);
                          });
        loop.Run();
    }

    ::unlink(job.jobPath.c_str());
    DisposeAttachment(job);
    return 0;
}

}  // namespace quorvane3
