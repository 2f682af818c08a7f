// Verdicts held while this computer may be offline: a site that failed
// before any HTTP reply is judged only once another site has answered, or
// once the cycle's end has shown that the network itself works.

#include "monitor/engine/check_engine.h"
#include "monitor/engine/engine_texts.h"
#include "monitor/engine/panel_time.h"
#include "monitor/engine/text_util.h"
#include "monitor/report/send_result_note.h"

#include <utility>

namespace ossivant {

using namespace engine_texts;

namespace {
// Seconds the reference address has to answer.
constexpr int kReferenceTimeOut = 15;
}  // namespace

// A failure before any HTTP reply of the site being checked; false when it
// is judged now. A failure that starts the IP double check is no verdict
// yet: the double check runs, and its own end may be held.
bool CheckEngine::holdFailure(const QString& code, const QString& text) {
    if (!guard_.Holding()) return false;
    const SiteRecord* site = siteAt(state_.lCheckIndex);
    if (site == nullptr) return false;
    if (!state_.bInetDoubleCheck && !TrimBlanks(site->IP).isEmpty() &&
        site->Status == StatusWarning && state_.InetCheckType == 1)
        return false;

    HeldVerdict v;
    v.index = state_.lCheckIndex;
    v.alertCode = code;
    v.resultText = text;
    v.record = record_;
    v.checkIndex = state_.lCheckIndex;
    v.checkType = state_.InetCheckType;
    v.doubleCheck = state_.bInetDoubleCheck;
    v.savedAlertCode = state_.SavedAlertCode;
    v.savedResultText = state_.SavedResultText;
    v.url = parts_.inet.URL();
    v.responseCode = parts_.inet.ResponseCode();
    v.responseInfo = parts_.inet.ResponseInfo();
    v.header = parts_.inet.GetHeader();
    guard_.Hold(std::move(v));
    state_.bInetDoubleCheck = false;  // the site is done with for now
    return true;
}

// The network works: what was held is judged, in order, as it would have
// been at once.
void CheckEngine::releaseHeld() {
    if (!guard_.Holding()) return;
    for (const HeldVerdict& v : guard_.Answered()) judgeHeld(v);
}

// Gives a held verdict with the probe's side as it stood when the failure
// came, and puts back the side of the probe that runs now.
void CheckEngine::judgeHeld(const HeldVerdict& v) {
    const LogRecord current = std::exchange(record_, v.record);
    const EngineState side = state_;
    state_.lCheckIndex = v.checkIndex;
    state_.InetCheckType = v.checkType;
    state_.bInetDoubleCheck = v.doubleCheck;
    state_.SavedAlertCode = v.savedAlertCode;
    state_.SavedResultText = v.savedResultText;
    judging_ = &v;
    SiteCheckUpdate(v.index, v.alertCode, v.resultText, 2);
    writeDataLineUnlessDoubleCheck();
    judging_ = nullptr;
    record_ = current;
    state_.lCheckIndex = side.lCheckIndex;
    state_.InetCheckType = side.InetCheckType;
    state_.bInetDoubleCheck = side.bInetDoubleCheck;
    state_.SavedAlertCode = side.SavedAlertCode;
    state_.SavedResultText = side.SavedResultText;
    state_.DoubleCheckResult = side.DoubleCheckResult;
}

// After the last site (and the reference probe, when there was one).
void CheckEngine::closeCycle() {
    const OfflineGuard::Ending ending =
        step_ == Step::AwaitReference
            ? OfflineGuard::AfterReference(referenceReached_)
            : guard_.AtEnd(parts_.network.Reach(),
                           !TrimBlanks(parts_.settings.NetworkReference).isEmpty());
    if (ending == OfflineGuard::Ending::ProbeReference) {
        probeReference();
        return;
    }
    const bool offline = ending == OfflineGuard::Ending::Offline;
    const std::vector<HeldVerdict> held = guard_.TakeHeld();
    if (offline)
        writeOfflineLines(held);
    else
        for (const HeldVerdict& v : held) judgeHeld(v);
    finishCycle(offline);
}

void CheckEngine::probeReference() {
    referenceReached_.reset();
    enter(Step::AwaitReference);
    parts_.inet.setServerName(QString());
    parts_.inet.setRequestTimeout(kReferenceTimeOut);
    if (!parts_.inet.Execute(HttpAddress(TrimBlanks(parts_.settings.NetworkReference)),
                             QStringLiteral("GET")))
        closeCycle();  // refused: no answer either way
}

// Any HTTP reply shows the network works; so does an error that came after
// the connection was made.
void CheckEngine::referenceResult(int state) {
    if (state == transfer_state::ResponseCompleted)
        referenceReached_ = true;
    else if (state == transfer_state::Error)
        referenceReached_ = !IsPreHttpError(parts_.inet.ResponseCode());
}

// An offline cycle: every site keeps its status and sends nothing; its line
// says why.
void CheckEngine::writeOfflineLines(const std::vector<HeldVerdict>& verdicts) {
    for (const HeldVerdict& v : verdicts) {
        LogRecord line = v.record;
        line.ResultText = v.doubleCheck ? QStringLiteral("(1) ") + v.savedResultText +
                                              QStringLiteral("<BR>(2) ") + v.resultText
                                        : v.resultText;
        line.HTMLStyle = 3;
        line.Notes = AddNote(line.Notes, kComputerOffline);
        writeRecord(false, false, false, line);
        if (screen_.rows.FindRow(v.index)) screen_.rows.SetRowComment(v.index, kComputerOffline);
    }
}

void CheckEngine::NetworkReachChanged(NetworkReach reach) {
    if (reach != NetworkReach::Online || !lastCycleOffline_ || CycleRunning()) return;
    state_.NextCheckTime = now();
    screen_.panels.SetPanelText(2, kNext + QLatin1Char(' ') + PanelTimeText(now()));
}

}  // namespace ossivant
