// The HTTP probe: starting a request, the control's state events and the
// deadline watchdog.

#include <QUrl>

#include "monitor/engine/check_engine.h"
#include "monitor/engine/engine_texts.h"
#include "monitor/engine/offline_guard.h"
#include "monitor/engine/outcome_table.h"
#include "monitor/engine/response_code.h"
#include "monitor/engine/text_util.h"
#include "monitor/report/log_line.h"

namespace ossivant {

using namespace engine_texts;

void CheckEngine::StartProbe(std::int32_t index, std::int16_t kind) {
    state_.InetCheckType = kind;
    const SiteRecord* site = siteAt(index);
    if (site == nullptr) return;
    state_.RequestTimeOut = now().addSecs(site->TimeOut);
    parts_.inet.setRequestTimeout(site->TimeOut);
    const QString url = TrimBlanks(site->URL);
    if (kind == 1) {
        parts_.inet.setServerName(QString());
        parts_.inet.Execute(HttpAddress(url), QStringLiteral("GET"));
        return;
    }
    // The IP of an HTTPS site is asked in the site's own name, so that the
    // server behind it presents and proves the site's certificate.
    parts_.inet.setServerName(IsHttpsUrl(url) ? QUrl(url).host() : QString());
    parts_.inet.Execute(HttpAddress(TrimBlanks(site->IP), url), QStringLiteral("GET"));
}

void CheckEngine::Inet1_StateChanged(int state) {
    namespace ts = transfer_state;
    flushDeferred();
    if (step_ == Step::AwaitReference) {
        referenceResult(state);
        advance();
        return;
    }
    ProgressDisplay& progress = screen_.progress;
    // One row per state, as the state table reads.
    // clang-format off
    switch (state) {
    case ts::None: break;
    case ts::ResolvingHost: progress.SetSiteStatus(kResolvingHost); break;
    case ts::HostResolved: progress.SetSiteStatus(kHostFound); break;
    case ts::Connecting: progress.SetSiteStatus(kConnecting); break;
    case ts::Connected: progress.SetSiteStatus(kConnected); break;
    case ts::Requesting: progress.SetSiteStatus(kRequesting); break;
    case ts::RequestSent: progress.SetSiteStatus(kRequestSent); break;
    case ts::ReceivingResponse: progress.SetSiteStatus(kReceiving); break;
    case ts::ResponseReceived: progress.SetSiteStatus(kReceived); break;
    case ts::Disconnecting: progress.SetSiteStatus(kDisconnecting); break;
    case ts::Disconnected: progress.SetSiteStatus(kDisconnected); break;
    case ts::Error: errorResult(); break;
    case ts::ResponseCompleted: responseResult(); break;
    default: unexpectedStateResult(state); break;
    }
    // clang-format on
    advance();
}

void CheckEngine::responseResult() {
    releaseHeld();
    const QString header = parts_.inet.GetHeader();
    const QString code = header.isEmpty() ? QStringLiteral("0") : GetResponseCode(header);
    const ProbeOutcome outcome = ClassifyStatusCode(code);
    if (!outcome.ok) {
        SiteCheckUpdate(state_.lCheckIndex, outcome.alertCode, outcome.resultText, 2);
    } else if (markSiteOK(state_.lCheckIndex)) {
        // Stored and logged once the next request is on its way.
        deferred_ = DeferredOutcome{state_.lCheckIndex, std::nullopt};
        if (!state_.bInetDoubleCheck) deferred_->line = record_;
        return;
    }
    writeDataLineUnlessDoubleCheck();
}

void CheckEngine::errorResult() {
    const qint32 error = parts_.inet.ResponseCode();
    const QString text = kErrorPrefix + QLatin1Char(' ') + QString::number(error) +
                         QLatin1Char(' ') + parts_.inet.ResponseInfo();
    if (!IsPreHttpError(error))
        releaseHeld();
    else if (holdFailure(QStringLiteral("8080"), text))
        return;
    SiteCheckUpdate(state_.lCheckIndex, QStringLiteral("8080"), text, 2);
    writeDataLineUnlessDoubleCheck();
}

void CheckEngine::unexpectedStateResult(int state) {
    releaseHeld();
    SiteCheckUpdate(
        state_.lCheckIndex, QStringLiteral("0"),
        kUnrecognizedState + QStringLiteral(" (") + QString::number(state) + QLatin1Char(')'), 2);
    writeDataLineUnlessDoubleCheck();
}

// An IP double check that has just begun writes the site's line when it ends.
void CheckEngine::writeDataLineUnlessDoubleCheck() {
    if (!state_.bInetDoubleCheck) writeDataLine();
}

void CheckEngine::TimerMain_Timer() {
    flushDeferred();
    screen_.panels.SetPanelText(1, LogDateTimeText(now()));

    if (!state_.RequestTimeOut.isNull() && now() >= state_.RequestTimeOut) {
        const bool preHttp = parts_.inet.GetHeader().isEmpty();
        if (!preHttp) releaseHeld();
        if (preHttp && holdFailure(QStringLiteral("8001"), kTimedOut)) {
            parts_.inet.Cancel();
        } else {
            SiteCheckUpdate(state_.lCheckIndex, QStringLiteral("8001"), kTimedOut, 2);
            // When the time-out started an IP double check, that probe has
            // replaced the request and runs with its own deadline.
            if (!state_.bInetDoubleCheck) {
                writeDataLine();
                parts_.inet.Cancel();
            }
        }
    }
    // Also moves the walk on when the control went idle without an event.
    advance();
}

void CheckEngine::writeDataLine() {
    writeLog(false, false, false);
}

void CheckEngine::writeLog(bool start, bool manualStart, bool end) {
    flushDeferred();
    writeRecord(start, manualStart, end, record_);
}

// The outcome of a site that answered OK is stored and logged after the
// walk has started the next request, so that the disk work and the network
// go side by side. Nothing else is stored or logged before it, and the walk
// writes it before it waits for anything (see advance), so the store and
// the log see everything in the same order as without the wait.
void CheckEngine::flushDeferred() {
    if (!deferred_) return;
    const DeferredOutcome outcome = std::move(*deferred_);
    deferred_.reset();
    storeSite(outcome.index);
    if (outcome.line) writeRecord(false, false, false, *outcome.line);
}

// A lost line is told once per cycle, so a log folder that stays unusable
// cannot flood the screen, and the cycle goes on either way.
void CheckEngine::writeRecord(bool start, bool manualStart, bool end, const LogRecord& record) {
    if (parts_.log.WriteLog(start, manualStart, end, record) || logLossReported_) return;
    logLossReported_ = true;
    screen_.panels.ShowNotice(kLogNotWritten + QLatin1Char(' ') + parts_.log.LogFileName());
}

}  // namespace ossivant
