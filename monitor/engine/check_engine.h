#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "monitor/engine/cookie_setting.h"
#include "monitor/engine/engine_state.h"
#include "monitor/engine/offline_guard.h"
#include "monitor/engine/screen.h"
#include "monitor/platform/clock.h"
#include "monitor/platform/network_state.h"
#include "monitor/platform/transfer_control.h"
#include "monitor/report/check_log.h"
#include "monitor/report/log_record.h"
#include "monitor/report/send_email.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"
#include "monitor/store/site_store.h"
#include "monitor/store/store_sync.h"
#include "monitor/store/site_table.h"

namespace ossivant {

// The program-wide parts the engine works on; all outlive it.
struct EngineParts {
    SiteTable& sites;
    SiteStore& store;          // SaveSite after every outcome
    StoreSync& sync;           // before every cycle, after every SaveSite
    const Settings& settings;  // read live: the options dialog may change them
    RegistryAccess& registry;  // the platform's cookie setting
    TransferControl& inet;     // Inet1
    CheckLog& log;
    AlertSender& alerts;
    const Clock& clock;
    NetworkState& network;  // whether this computer is online
};

// The check engine: probes one site at a time through the transfer control,
// turns each result into the site's status, list row and log line, sends one
// alert when a site goes down, and walks the site table in check cycles.
//
// It never waits. A cycle is a walk through a small set of steps (see Step),
// moved on by whatever happens next: an event of the transfer control, a
// tick of TimerMain, a stop. Each of those entry points does its own work
// and then lets the walk go as far as it can without waiting for the
// control. A start that arrives while a cycle runs is ignored.
//
// Everything runs on the thread that owns the transfer control.
class CheckEngine {
public:
    CheckEngine(EngineParts parts, EngineScreen screen);
    ~CheckEngine();
    CheckEngine(const CheckEngine&) = delete;
    CheckEngine& operator=(const CheckEngine&) = delete;

    // --- the cycle ------------------------------------------------------
    // The manual start (File menu, the list's pop-up, Ctrl+S, F5).
    void mF_StartCheck_Click();
    // Tick of TimerAutoCheck (every second): starts a cycle once
    // NextCheckTime has come.
    void TimerAutoCheck_Timer();
    // The progress window's Stop button.
    void StopCheck();
    bool CycleRunning() const { return step_ != Step::Idle; }

    // --- the probe ------------------------------------------------------
    // Starts the request for site `index`: kind 1 its URL, 2 its IP.
    void StartProbe(std::int32_t index, std::int16_t kind);
    // Handler of the transfer control's StateChanged (connected by the engine).
    void Inet1_StateChanged(int state);
    // Tick of TimerMain (every second): the clock panel and the deadline.
    void TimerMain_Timer();
    // The system's network state changed: after an offline cycle, the next
    // one starts as soon as the network is back.
    void NetworkReachChanged(NetworkReach reach);

    // --- outcome handling -----------------------------------------------
    void SiteCheckOK(std::int32_t lCheckIndex2);
    void SiteCheckUpdate(std::int32_t lCheckIndex2, const QString& szEmailErrorNum,
                         const QString& szStatusCommentText, std::int16_t iDoubleTakeResult2);

    EngineState& state() { return state_; }
    const EngineState& state() const { return state_; }
    const LogRecord& logRecord() const { return record_; }
    const CookieSwitch& cookies() const { return cookies_; }

private:
    enum class CycleKind { Manual, Automatic };

    // Where the walk stands. NextSite is the head of the loop over the sites;
    // AwaitIdle and AwaitProbe are its two waits for the control to be idle,
    // before and after a probe; AwaitReference waits for the probe of the
    // reference address after the last site.
    enum class Step { Idle, NextSite, AwaitIdle, AwaitProbe, AwaitReference };
    static const char* stepName(Step step);

    // The walk (check_cycle.cpp).
    void openCycle();
    void beginWalk(CycleKind kind);
    void advance();
    void enter(Step next);
    void visitSite();
    void probeSite();
    void endWalk();
    void finishCycle(bool offline);
    void writeDisabledLine(std::int32_t index, const SiteRecord& site);
    StoreSync::CycleStart syncStore();
    void storeSite(std::int32_t index);
    void showStoreNotice(const QString& notice);

    // The probe's results (probe.cpp).
    void responseResult();
    void errorResult();
    void unexpectedStateResult(int state);
    void writeDataLineUnlessDoubleCheck();
    bool markSiteOK(std::int32_t index);

    // Verdicts held while this computer may be offline (offline_cycle.cpp).
    bool holdFailure(const QString& code, const QString& text);
    void releaseHeld();
    void judgeHeld(const HeldVerdict& verdict);
    void closeCycle();
    void probeReference();
    void referenceResult(int state);
    void writeOfflineLines(const std::vector<HeldVerdict>& verdicts);

    // Outcome paths (site_outcome.cpp).
    void doubleCheckEnd(std::int32_t index, SiteRecord& site, bool rowFound, const QString& text,
                        std::int16_t result2);
    void doubleCheckStart(std::int32_t index, const SiteRecord& site, const QString& code,
                          const QString& text);
    void failure(std::int32_t index, SiteRecord& site, bool rowFound, const QString& code,
                 const QString& text);
    std::int32_t sendAlert(const QString& code, std::int32_t index, const QString& resultText);
    void cancelIfRequesting(const QString& address);
    void addNote(const QString& note);

    SiteRecord* siteAt(std::int32_t index);
    void writeDataLine();
    void writeLog(bool start, bool manualStart, bool end);
    void writeRecord(bool start, bool manualStart, bool end, const LogRecord& record);
    void flushDeferred();
    QDateTime now() const { return parts_.clock.now(); }

    EngineParts parts_;
    EngineScreen screen_;
    EngineState state_;
    LogRecord record_;
    CookieSwitch cookies_;

    Step step_ = Step::Idle;
    CycleKind kind_ = CycleKind::Manual;
    std::int32_t walkIndex_ = 0;  // i of the loop over the sites
    std::int32_t walkCount_ = 0;  // SiteCount when the walk began
    bool advancing_ = false;
    bool logLossReported_ = false;  // this cycle's lost log line was reported

    OfflineGuard guard_;
    const HeldVerdict* judging_ = nullptr;   // the held verdict being given now
    std::optional<bool> referenceReached_;  // nullopt: the probe gave no answer
    bool lastCycleOffline_ = false;

    // A site that answered OK, waiting to be stored and logged (flushDeferred).
    struct DeferredOutcome {
        std::int32_t index;
        std::optional<LogRecord> line;
    };
    std::optional<DeferredOutcome> deferred_;

    QObject receiver_;  // owns the connection to the control's events
};

}  // namespace ossivant
