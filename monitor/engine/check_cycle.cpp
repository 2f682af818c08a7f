// The check cycle: the two starters, the walk over the site table, Stop.

#include <QLoggingCategory>

#include "monitor/engine/check_engine.h"
#include "monitor/engine/engine_texts.h"
#include "monitor/engine/menu_lock.h"
#include "monitor/engine/panel_time.h"
#include "monitor/engine/text_util.h"
#include "monitor/platform/time_zone.h"

namespace ossivant {

Q_LOGGING_CATEGORY(lcCycle, "ossivant.engine.cycle", QtInfoMsg)

using namespace engine_texts;

namespace {
// Cancel is asked again while the control still says it runs; a control
// that never stops must not hang the program.
constexpr int kMaxCancelCalls = 100;
}  // namespace

CheckEngine::CheckEngine(EngineParts parts, EngineScreen screen)
    : parts_(parts), screen_(screen), cookies_(parts.registry) {
    QObject::connect(&parts_.inet, &TransferControl::StateChanged, &receiver_,
                     [this](int state) { Inet1_StateChanged(state); });
    QObject::connect(&parts_.network, &NetworkState::ReachChanged, &receiver_,
                     [this](NetworkReach reach) { NetworkReachChanged(reach); });
}

CheckEngine::~CheckEngine() = default;

void CheckEngine::mF_StartCheck_Click() {
    if (CycleRunning()) return;
    const StoreSync::CycleStart synced = syncStore();
    const qint64 interval = qint64(parts_.settings.TimerInterval) * 60;
    if (parts_.sites.SiteCount() < 1) {
        state_.NextCheckTime = now().addSecs(interval);
        showStoreNotice(synced.notice);
        screen_.messages.show(kNoSites, MsgButtons::Ok);
        return;
    }
    openCycle();
    if (parts_.settings.LogPeriod != 0) writeLog(true, true, false);
    state_.NextCheckTime = now().addSecs(interval);
    screen_.panels.SetPanelText(3, kLast + QLatin1Char(' ') + PanelTimeText(now()));
    showStoreNotice(synced.notice);
    screen_.window.SetAutoCheckTimerEnabled(false);
    state_.bCheckInProgress = true;
    beginWalk(CycleKind::Manual);
}

void CheckEngine::TimerAutoCheck_Timer() {
    if (CycleRunning()) return;
    if (now() < state_.NextCheckTime) return;
    const StoreSync::CycleStart synced = syncStore();
    const qint64 interval = qint64(parts_.settings.TimerInterval) * 60;
    if (parts_.sites.SiteCount() < 1) {
        state_.NextCheckTime = now().addSecs(interval);
        screen_.panels.SetPanelText(3, kNoSites);
        screen_.panels.SetPanelText(2,
                                    kNext + QLatin1Char(' ') + PanelTimeText(state_.NextCheckTime));
        showStoreNotice(synced.notice);
        return;
    }
    openCycle();
    if (parts_.settings.LogPeriod != 0) writeLog(true, false, false);
    state_.bCheckInProgress = true;
    state_.NextCheckTime = now().addSecs(interval);
    screen_.panels.SetPanelText(3, kLast + QLatin1Char(' ') + PanelTimeText(now()));
    showStoreNotice(synced.notice);
    beginWalk(CycleKind::Automatic);
}

// What both starters do before anything else, so that a cycle walks the list
// as it is stored and with the settings as they are stored.
StoreSync::CycleStart CheckEngine::syncStore() {
    StoreSync::CycleStart synced = parts_.sync.BeforeCycle();
    if (synced.reloaded) screen_.window.SiteListReloaded();
    return synced;
}

// Shown once the new cycle's panels are set, which clear an older notice.
void CheckEngine::showStoreNotice(const QString& notice) {
    if (!notice.isEmpty()) screen_.panels.ShowNotice(notice);
}

void CheckEngine::storeSite(std::int32_t index) {
    parts_.store.SaveSite(index, false);
    showStoreNotice(parts_.sync.AfterWrite());
}

// What both starters do once a cycle goes ahead: lock the commands, take in a change of the
// time zone and name (and prune) the log of the day.
void CheckEngine::openCycle() {
    SiteCheck_Disable(screen_.menus);
    logLossReported_ = false;
    FollowLocalTimeZone();
    parts_.log.GetLogFileName(true);
}

// The opening of the walk; the loop itself runs in advance().
void CheckEngine::beginWalk(CycleKind kind) {
    kind_ = kind;
    state_.bSiteDown = false;
    screen_.panels.SetPanelText(2, kCheckingInProgress);
    cookies_.SwitchTo(parts_.settings.AllowType);
    guard_.BeginCycle(parts_.settings.OfflineGuard != 0);
    for (std::int32_t i = 1; i <= parts_.sites.SiteCount(); ++i) parts_.sites[i].Comments.clear();
    screen_.rows.ClearAllComments();

    walkCount_ = parts_.sites.SiteCount();
    walkIndex_ = 1;
    enter(Step::NextSite);
    advance();
}

// Runs the walk until it has to wait for the transfer control, or to its end.
// Every entry point of the engine calls this last.
void CheckEngine::advance() {
    if (advancing_) return;  // the outer call goes on from where we are
    advancing_ = true;
    while (step_ != Step::Idle) {
        if (step_ == Step::NextSite) {
            visitSite();
        } else if (parts_.inet.StillExecuting()) {
            break;  // a wait of the walk: the control's next event moves us on
        } else if (step_ == Step::AwaitReference) {
            closeCycle();
        } else if (step_ == Step::AwaitIdle) {
            probeSite();
        } else {  // AwaitProbe: this site's probe and its outcome are done
            ++walkIndex_;
            enter(Step::NextSite);
        }
    }
    flushDeferred();
    advancing_ = false;
}

void CheckEngine::enter(Step next) {
    qCDebug(lcCycle) << "walk" << stepName(step_) << "->" << stepName(next) << "site" << walkIndex_;
    step_ = next;
}

const char* CheckEngine::stepName(Step step) {
    switch (step) {
        case Step::Idle:
            return "Idle";
        case Step::NextSite:
            return "NextSite";
        case Step::AwaitIdle:
            return "AwaitIdle";
        case Step::AwaitProbe:
            return "AwaitProbe";
        case Step::AwaitReference:
            return "AwaitReference";
    }
    return "?";
}

// The head of the loop: stop, skip, or go and probe site walkIndex_.
void CheckEngine::visitSite() {
    if (walkIndex_ > walkCount_ || !state_.bCheckInProgress) {
        endWalk();
        closeCycle();
        return;
    }
    const std::int32_t i = walkIndex_;
    const SiteRecord* site = siteAt(i);  // the table may have shrunk meanwhile
    if (site == nullptr) {
        ++walkIndex_;
        return;
    }
    if (site->Enabled != 1) {
        if (parts_.settings.DiskLogDisabled == 0 && parts_.settings.LogPeriod != 0)
            writeDisabledLine(i, *site);
        ++walkIndex_;
        return;
    }
    if (site->IP.isEmpty() && TrimBlanks(site->URL).isEmpty()) {
        ++walkIndex_;  // nothing to probe and nothing to say
        return;
    }
    enter(Step::AwaitIdle);
}

void CheckEngine::writeDisabledLine(std::int32_t index, const SiteRecord& site) {
    if (!TrimBlanks(site.URL).isEmpty())
        record_.SiteLabel = HttpAddress(site.URL);
    else if (!TrimBlanks(site.IP).isEmpty())
        record_.SiteLabel = HttpAddress(site.IP);
    else
        record_.SiteLabel = kUnknownSite + QString::number(index);
    record_.CheckStart = now();
    record_.ResultText = kUnknownSite;
    record_.HTMLStyle = 3;
    record_.Notes.clear();
    writeDataLine();
}

// Starts the probe of site walkIndex_, whose control is idle now.
void CheckEngine::probeSite() {
    const std::int32_t i = walkIndex_;
    const SiteRecord* site = siteAt(i);
    if (site == nullptr) {
        ++walkIndex_;
        enter(Step::NextSite);
        return;
    }
    state_.RequestTimeOut = now().addSecs(site->TimeOut);
    record_ = LogRecord{};

    const bool byUrl = !TrimBlanks(site->URL).isEmpty();
    if (byUrl || !TrimBlanks(site->IP).isEmpty()) {
        state_.lCheckIndex = i;
        record_.CheckStart = now();
        record_.SiteLabel = byUrl ? HttpAddress(site->URL) : HttpAddress(site->IP);
    } else {
        // An IP of blanks only.
        record_.SiteLabel = kUnknownSite + QString::number(i);
        record_.CheckStart = now();
        record_.ResultText = kMissingAddress;
        record_.HTMLStyle = 2;
        writeDataLine();
        ++walkIndex_;
        enter(Step::NextSite);
        return;
    }

    state_.bInetDoubleCheck = false;
    enter(Step::AwaitProbe);
    StartProbe(i, byUrl ? 1 : 2);

    if (screen_.window.IsMinimised()) {
        screen_.progress.Close();
    } else {
        screen_.progress.SetSiteName(QString());
        screen_.progress.SetSiteStatus(QString());
        screen_.progress.Show();
        if (!site->URL.isEmpty())
            screen_.progress.SetSiteName(kChecking + QLatin1Char(' ') + HttpAddress(site->URL));
        else if (!site->IP.isEmpty())
            screen_.progress.SetSiteName(kChecking + QLatin1Char(' ') + HttpAddress(site->IP));
    }
}

// After the loop.
void CheckEngine::endWalk() {
    state_.RequestTimeOut = QDateTime();
    cookies_.Restore();
    screen_.progress.Close();
}

// The starter's closing steps. An offline cycle is tried again after the
// warning interval, or sooner when the network comes back.
void CheckEngine::finishCycle(bool offline) {
    enter(Step::Idle);
    if (offline) state_.NextCheckTime = now().addSecs(qint64(parts_.settings.TimerWarning) * 60);
    screen_.panels.SetPanelText(2, kNext + QLatin1Char(' ') + PanelTimeText(state_.NextCheckTime));
    if (kind_ == CycleKind::Manual) screen_.window.SetAutoCheckTimerEnabled(true);
    state_.bCheckInProgress = false;
    if (kind_ == CycleKind::Automatic) state_.RequestTimeOut = QDateTime();
    writeLog(false, false, true);
    if (offline) screen_.panels.ShowNotice(kComputerOffline);
    lastCycleOffline_ = offline;
    screen_.window.SetOffline(offline);
    screen_.window.CycleFinished();
    if (state_.bSiteDown) screen_.window.Beep();
    SiteCheck_Enable(screen_.menus);
}

void CheckEngine::StopCheck() {
    flushDeferred();
    if (step_ == Step::AwaitReference) {  // the sites are done: only the reference stops
        parts_.inet.Cancel();
        advance();
        return;
    }
    if (!parts_.inet.StillExecuting()) {
        // Nothing else changes: a walk between two probes goes on at its
        // next event or tick, after the Stop button has closed its window.
        screen_.messages.show(kNotInProgress, MsgButtons::Ok);
        return;
    }
    state_.bCheckInProgress = false;
    for (int calls = 0; calls < kMaxCancelCalls && parts_.inet.StillExecuting(); ++calls)
        parts_.inet.Cancel();
    addNote(kManuallyStopped);
    record_.HTMLStyle = 2;
    writeDataLine();
    if (screen_.rows.FindRow(state_.lCheckIndex))
        screen_.rows.SetRowComment(state_.lCheckIndex, kManuallyStopped);
    advance();
}

}  // namespace ossivant
