#include "mailer/job/sender_flow.h"

#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>

#include "mailer/job/mail_job.h"
#include "mailer/job/outcome_report.h"
#include "mailer/job/run_record.h"
#include "mailer/log/send_log.h"
#include "mailer/mime/compose_message.h"
#include "mailer/mime/recipient_list.h"
#include "mailer/net/fatal_error.h"
#include "mailer/net/winsock_event_registry.h"
#include "mailer/sys/event_loop.h"
#include "mailer/sys/local_time.h"

namespace quorvane3 {

namespace {

constexpr sys::WParam kCommandSend = 32;

// A fatal error ends the process at once; a tracked job still gets its
// outcome on the way out.
struct FatalReport {
    const MailJob* job = nullptr;
    const CSMTP* session = nullptr;
    FatalHook previous = nullptr;
};
FatalReport g_fatalReport;

void ReportFatalError(const char* reason) {
    if (const MailJob* job = g_fatalReport.job) {
        const CSMTP* session = g_fatalReport.session;
        const bool delivered = session != nullptr && session->DataAccepted();
        ReportOutcome(*job, delivered ? DeliveryState::kDelivered : DeliveryState::kMayPass,
                      std::string("the sender stopped at an internal error: ") + reason);
    }
    if (g_fatalReport.previous) g_fatalReport.previous(reason);
}

class FatalReportScope {
public:
    explicit FatalReportScope(const MailJob& job) {
        if (!job.tracked) return;
        g_fatalReport = {&job, nullptr, SetFatalHook(ReportFatalError)};
        installed_ = true;
    }
    ~FatalReportScope() {
        if (!installed_) return;
        SetFatalHook(g_fatalReport.previous);
        g_fatalReport = {};
    }
    FatalReportScope(const FatalReportScope&) = delete;
    FatalReportScope& operator=(const FatalReportScope&) = delete;

private:
    bool installed_ = false;
};

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
public:
    // How the run ended; nothing while it has not.
    const std::optional<DeliveryOutcome>& Outcome() const { return outcome_; }

private:
    void StartSending(sys::Hwnd hwnd) {
        context_ = ComposeMessage(job_, hwnd, timeouts_);
        if (!context_) {
            // No recipient: nothing to send.
            End(DeliveryState::kPermanent, "the job names no recipient");
            TearDown(hwnd);
        } else if (!context_->smtp) {
            const std::string cause = std::string("the message file could not be written: ") +
                                      std::strerror(context_->fileError);
            WriteSendLog(job_, SendOutcome::kFailed, job_.senderAddress, job_.toList,
                         job_.subject, cause);
            End(DeliveryState::kMayPass, cause);
            RemoveMessageFile();
            TearDown(hwnd);
        } else {
            g_fatalReport.session = context_->smtp.get();
        }
    }

    void Finish(sys::Hwnd hwnd, sys::LParam result) {
        const std::string cause = context_ ? context_->smtp->FailureCause() : std::string();
        WriteSendLog(job_, OutcomeFromNotice(static_cast<long>(result)), job_.senderAddress,
                     job_.toList, job_.subject, cause);
        if (context_) {
            const DeliveryOutcome outcome = SessionOutcome(*context_->smtp);
            End(outcome.state, outcome.cause);
        }
        RemoveMessageFile();
        g_fatalReport.session = nullptr;
        context_.reset();
        TearDown(hwnd);
    }

    void End(DeliveryState state, std::string cause) {
        ReportOutcome(job_, state, cause);
        outcome_ = DeliveryOutcome{state, std::move(cause), 0};
    }

    void RemoveMessageFile() {
        if (context_ && !context_->tempPath.empty()) ::unlink(context_->tempPath.c_str());
    }

    static void TearDown(sys::Hwnd hwnd) {
        DestroyEventWindow();
        sys::EventLoop::Main().DestroyWindow(hwnd);
    }

    const MailJob& job_;
    const SmtpTimeouts& timeouts_;
    std::unique_ptr<SendContext> context_;
    std::optional<DeliveryOutcome> outcome_;
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
    if (!ReadMailJob(jobPath, job)) {
        ReportOutcome(job, DeliveryState::kPermanent,
                      "the job file names a security mode this sender does not know");
        return 0;
    }
    if (!CoordinateCopies(job.logDir, options.coordination).proceed) {
        ReportOutcome(job, DeliveryState::kMayPass,
                      "the sender could not take its turn among the running copies");
        return 0;
    }
    if (SocketStartupError() != 0 || !CreateEventWindow()) {
        ReportOutcome(job, DeliveryState::kMayPass, "the sender could not start its session");
        return 0;
    }
    AppendRunRecord(job.logDir, sys::LocalTimeNow());

    FatalReportScope fatalReport(job);
    sys::EventLoop& loop = sys::EventLoop::Main();
    std::optional<DeliveryOutcome> outcome;
    {
        ControlWindow control(job, options.timeouts);
        loop.CreateWindow("HIDDENWINDOW",
                          [&control](sys::Hwnd h, unsigned m, sys::WParam w, sys::LParam l) {
                              return control.Proc(h, m, w, l);
                          });
        loop.Run();
        outcome = control.Outcome();
    }
    if (!outcome) {
        outcome = DeliveryOutcome{DeliveryState::kMayPass, "the session ended without a result", 0};
        ReportOutcome(job, outcome->state, outcome->cause);
    }

    // A job kept for a resend keeps its attachment too.
    if (KeepForResend(job, outcome->state)) return 0;
    ::unlink(job.jobPath.c_str());
    DisposeAttachment(job);
    return 0;
}

}  // namespace quorvane3
