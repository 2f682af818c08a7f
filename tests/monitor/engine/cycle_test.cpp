#include "monitor/engine/menu_lock.h"
#include "tests/monitor/engine/engine_fixture.h"

namespace ossivant::test {
namespace {

// --- which sites get a probe and which a line -------------------------------

TEST_F(EngineTest, DisabledSiteIsLoggedOnlyWhenDisabledSitesAreLogged) {
    for (const std::int16_t diskLogDisabled : {1, 0}) {
        SCOPED_TRACE(diskLogDisabled);
        sites.clear();
        QFile::remove(log.LogFileName());
        settings.DiskLogDisabled = diskLogDisabled;
        addSite(QStringLiteral("one.test"));
        addSite(QStringLiteral("two.test"), {}, StatusOK, 0);
        addSite(QStringLiteral("three.test"));

        engine.mF_StartCheck_Click();
        respond(200);
        respond(200);

        const QStringList lines = logLines();
        ASSERT_EQ(lines.size(), diskLogDisabled ? 4 : 5);
        EXPECT_TRUE(lines.front().startsWith(QStringLiteral("[START CHECK: MANUAL - ")));
        EXPECT_EQ(lines.back(), QStringLiteral("[END CHECK]"));
        const auto data = dataLines();
        EXPECT_EQ(data.front().siteLabel, QStringLiteral("http://one.test"));
        EXPECT_EQ(data.back().siteLabel, QStringLiteral("http://three.test"));
        if (!diskLogDisabled) {
            EXPECT_EQ(data[1].siteLabel, QStringLiteral("http://two.test"));
            EXPECT_EQ(data[1].resultText, QStringLiteral("Unknown Site: Site #"));
            EXPECT_EQ(data[1].style, QStringLiteral("3"));
            EXPECT_TRUE(data[1].notes.isEmpty());
        }
        EXPECT_EQ(probedUrls().filter(QStringLiteral("two")).size(), 0);
    }
}

// A site that answered OK is stored and logged while the next request runs,
// and before anything else is stored or logged.
TEST_F(EngineTest, AnOkSiteIsStoredAndLoggedWhileTheNextRequestRunsInTheUsualOrder) {
    settings.DiskLogDisabled = 0;
    addSite(QStringLiteral("a.test"), {}, StatusWarning);
    addSite(QStringLiteral("b.test"), {}, StatusOK, 0);
    addSite(QStringLiteral("c.test"), {}, StatusWarning);
    addSite(QStringLiteral("d.test"));
    QStringList seenAtExecute;  // per request: the sites logged, and c's stored status
    inet.onExecute = [&] {
        QStringList labels;
        for (const DataLine& line : dataLines()) labels << line.siteLabel.mid(7, 1);
        seenAtExecute << labels.join(QString()) + QLatin1Char('/') +
                             QString::number(storedStatus(QStringLiteral("c.test")));
    };

    engine.mF_StartCheck_Click();
    respond(200);  // a: the disabled b's line must follow a's
    respond(200);  // c: stored and logged once d's request is on its way
    EXPECT_EQ(logLines().size(), 4);
    EXPECT_EQ(storedStatus(QStringLiteral("c.test")), StatusOK);
    respond(500);
    EXPECT_EQ(seenAtExecute, (QStringList{"/2", "ab/2", "ab/2"}));
    QStringList order;
    for (const DataLine& line : dataLines()) order << line.siteLabel;
    EXPECT_EQ(order, (QStringList{"http://a.test", "http://b.test", "http://c.test",
                                  "http://d.test"}));
    EXPECT_EQ(storedStatus(QStringLiteral("a.test")), StatusOK);
    EXPECT_EQ(logLines().back(), QStringLiteral("[END CHECK]"));
}

TEST_F(EngineTest, SitesWithoutAddressAreSkippedOrReportedMissing) {
    settings.DiskLogDisabled = 0;
    sites.append(SiteRecord{QString(), QString(), StatusOK, 1, 30, {}});  // 1: nothing
    sites.append(
        SiteRecord{QStringLiteral("   "), QStringLiteral("  "), StatusOK, 1, 30, {}});  // 2
    sites.append(SiteRecord{QString(), QStringLiteral("  "), StatusOK, 0, 30, {}});  // 3: disabled
    addSite(QStringLiteral("real.test"));                                            // 4

    engine.mF_StartCheck_Click();
    EXPECT_EQ(probedUrls(), QStringList{QStringLiteral("http://real.test")});
    respond(200);

    const auto data = dataLines();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].siteLabel, QStringLiteral("Unknown Site: Site #2"));
    EXPECT_EQ(data[0].resultText, QStringLiteral("Missing Site Address"));
    EXPECT_EQ(data[0].style, QStringLiteral("2"));
    EXPECT_EQ(data[0].checkStart, LogDateTimeText(clock.now()));
    EXPECT_EQ(data[1].siteLabel, QStringLiteral("Unknown Site: Site #3"));
    EXPECT_EQ(data[1].style, QStringLiteral("3"));
    EXPECT_EQ(data[2].siteLabel, QStringLiteral("http://real.test"));
}

TEST_F(EngineTest, NoLogKeptWritesNothing) {
    settings.LogPeriod = 0;
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    respond(404);
    EXPECT_FALSE(QFile::exists(log.LogFileName()));
    EXPECT_EQ(sites[1].Status, StatusWarning);
}

TEST_F(EngineTest, RemovedLogFolderIsMadeAgainAndNoLineIsLost) {
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    settings.LogPath = logDir + QStringLiteral("/gone/deeper");
    engine.mF_StartCheck_Click();
    respond(200);
    QDir(logDir + QStringLiteral("/gone")).removeRecursively();  // while the cycle runs
    respond(200);
    EXPECT_EQ(logLines().size(), 2);  // the second data line and the end line
    EXPECT_TRUE(fakes.panels.notices.isEmpty());
}

TEST_F(EngineTest, LogThatCannotBeWrittenIsToldOncePerCycleAndTheCycleGoesOn) {
    // A file where the log folder should be: the folder cannot be made.
    QFile blocker(logDir + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    settings.LogPath = blocker.fileName() + QStringLiteral("/Logs");
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    for (int cycle = 1; cycle <= 2; ++cycle) {
        engine.mF_StartCheck_Click();
        respond(200);
        respond(200);
        EXPECT_FALSE(engine.CycleRunning());
        EXPECT_EQ(fakes.panels.notices.size(), cycle);
    }
    EXPECT_EQ(fakes.panels.notices.back(),
              QStringLiteral("Check log could not be written: ") + log.LogFileName());
    EXPECT_EQ(probedUrls().size(), 4);
}

// --- the starters ---------------------------------------------------------

TEST_F(EngineTest, ManualStartWithoutSitesTellsTheOperator) {
    engine.mF_StartCheck_Click();
    EXPECT_EQ(fakes.messages.texts, QStringList{QStringLiteral("No sites to check.")});
    EXPECT_EQ(st.NextCheckTime, clock.now().addSecs(3600));
    EXPECT_TRUE(fakes.menus.changes.empty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(EngineTest, AutomaticStartWaitsForNextCheckTime) {
    addSite(QStringLiteral("a.test"));
    st.NextCheckTime = clock.now().addSecs(5);
    engine.TimerAutoCheck_Timer();
    EXPECT_FALSE(engine.CycleRunning());

    clock.advanceSeconds(5);
    engine.TimerAutoCheck_Timer();
    EXPECT_TRUE(engine.CycleRunning());
    EXPECT_TRUE(logLines().front().startsWith(QStringLiteral("[START CHECK: AUTO - ")));
    EXPECT_EQ(st.NextCheckTime, clock.now().addSecs(3600));
    EXPECT_EQ(fakes.panels.texts[3], QStringLiteral("Last: 10:00:05 AM"));
    EXPECT_EQ(fakes.panels.texts[2], QStringLiteral("Site checking in progress"));
    // The automatic start leaves its timer running.
    EXPECT_TRUE(fakes.window.timerChanges.empty());

    respond(200);
    EXPECT_EQ(fakes.panels.texts[2], QStringLiteral("Next: 11:00:05 AM"));
    EXPECT_EQ(logLines().back(), QStringLiteral("[END CHECK]"));
    EXPECT_TRUE(st.RequestTimeOut.isNull());
}

TEST_F(EngineTest, AutomaticStartWithoutSitesShowsItInThePanels) {
    st.NextCheckTime = clock.now();
    engine.TimerAutoCheck_Timer();
    EXPECT_EQ(fakes.panels.texts[3], QStringLiteral("No sites to check."));
    EXPECT_EQ(fakes.panels.texts[2], QStringLiteral("Next: 11:00:00 AM"));
    EXPECT_TRUE(fakes.messages.texts.isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(EngineTest, ManualCyclePanelsAndTimer) {
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    EXPECT_EQ(fakes.panels.texts[3], QStringLiteral("Last: 10:00:00 AM"));
    EXPECT_EQ(fakes.window.timerChanges, std::vector<bool>{false});
    clock.advanceSeconds(4);
    respond(200);
    EXPECT_EQ(fakes.panels.texts[2], QStringLiteral("Next: 11:00:00 AM"));
    EXPECT_EQ(fakes.window.timerChanges, (std::vector<bool>{false, true}));
    EXPECT_FALSE(st.bCheckInProgress);
}

TEST_F(EngineTest, FirstFailureBringsTheNextCycleForward) {
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 30)));
    respond(404);
    EXPECT_EQ(fakes.panels.texts[2], QStringLiteral("Next: 10:15:30 AM"));
}

TEST_F(EngineTest, StartDuringARunningCycleIsIgnored) {
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    engine.mF_StartCheck_Click();
    const auto menuChanges = fakes.menus.changes.size();

    engine.mF_StartCheck_Click();
    clock.advanceDays(1);  // NextCheckTime long past
    engine.TimerAutoCheck_Timer();

    EXPECT_EQ(inet.calls.size(), 1);
    EXPECT_EQ(fakes.menus.changes.size(), menuChanges);
    EXPECT_EQ(logLines().filter(QStringLiteral("[START CHECK")).size(), 1);

    respond(200);
    respond(200);
    EXPECT_FALSE(engine.CycleRunning());
    EXPECT_EQ(probedUrls(),
              QStringList({QStringLiteral("http://a.test"), QStringLiteral("http://b.test")}));
    EXPECT_EQ(logLines().filter(QStringLiteral("[END CHECK]")).size(), 1);
}

TEST_F(EngineTest, CommandsAreLockedAndUnlockedInTheirOrder) {
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    ASSERT_EQ(fakes.menus.changes.size(), 18u);
    for (std::size_t k = 0; k < 18; ++k) {
        EXPECT_EQ(fakes.menus.changes[k].first, kLockedCommands[k]);
        EXPECT_FALSE(fakes.menus.changes[k].second);
    }
    respond(200);
    ASSERT_EQ(fakes.menus.changes.size(), 36u);
    for (std::size_t k = 0; k < 18; ++k) {
        EXPECT_EQ(fakes.menus.changes[18 + k].first, kLockedCommands[k]);
        EXPECT_TRUE(fakes.menus.changes[18 + k].second);
    }
    EXPECT_EQ(kLockedCommands.front(), QStringLiteral("mF_NewAddress"));
    EXPECT_EQ(kLockedCommands[3], QStringLiteral("mF_StartCheck"));
    EXPECT_EQ(kLockedCommands.back(), QStringLiteral("mH_About"));
}

TEST_F(EngineTest, CommentsAreClearedWhenTheWalkBegins) {
    const auto i = addSite(QStringLiteral("a.test"));
    sites[i].Comments = QStringLiteral("old");
    engine.mF_StartCheck_Click();
    EXPECT_TRUE(sites[i].Comments.isEmpty());
    EXPECT_EQ(fakes.rows.clears, 1);
}

// --- progress window --------------------------------------------------------

TEST_F(EngineTest, ProgressWindowNamesTheSiteAndClosesAtTheEnd) {
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    EXPECT_TRUE(fakes.progress.open);
    EXPECT_EQ(fakes.progress.siteName, QStringLiteral("Checking http://a.test"));
    respond(200);
    EXPECT_FALSE(fakes.progress.open);
}

TEST_F(EngineTest, MinimisedWindowGetsNoProgressWindow) {
    fakes.window.minimised = true;
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    engine.mF_StartCheck_Click();
    inet.signalState(3);
    respond(200);
    respond(200);
    EXPECT_EQ(fakes.progress.shows, 0);
    EXPECT_FALSE(fakes.progress.open);
}

// --- stopping ---------------------------------------------------------------

TEST_F(EngineTest, StopDuringAProbeEndsTheCycleAfterThatSite) {
    for (int k = 1; k <= 5; ++k) addSite(QStringLiteral("s%1.test").arg(k));
    engine.mF_StartCheck_Click();
    respond(200);
    ASSERT_EQ(probedUrls().last(), QStringLiteral("http://s2.test"));

    engine.StopCheck();

    EXPECT_FALSE(engine.CycleRunning());
    EXPECT_EQ(inet.cancelCount, 1);
    EXPECT_EQ(inet.calls.size(), 2);
    EXPECT_EQ(fakes.rows.comments[2], QStringLiteral("Manually Stopped."));
    EXPECT_EQ(sites[2].Status, StatusOK);
    const auto data = dataLines();
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[1].siteLabel, QStringLiteral("http://s2.test"));
    EXPECT_EQ(data[1].notes, QStringLiteral("Manually Stopped."));
    EXPECT_EQ(data[1].style, QStringLiteral("2"));
    EXPECT_EQ(logLines().back(), QStringLiteral("[END CHECK]"));
    EXPECT_EQ(fakes.menus.enabledState.value(QStringLiteral("mF_StartCheck")), true);
    EXPECT_TRUE(fakes.messages.texts.isEmpty());
}

TEST_F(EngineTest, StopDuringADoubleCheckKeepsItsState) {
    const auto i = addSite(QStringLiteral("a.test"), QStringLiteral("192.0.2.9"), StatusWarning);
    engine.mF_StartCheck_Click();
    respond(404);
    ASSERT_TRUE(st.bInetDoubleCheck);
    engine.StopCheck();
    EXPECT_FALSE(engine.CycleRunning());
    EXPECT_TRUE(st.bInetDoubleCheck);
    EXPECT_EQ(sites[i].Status, StatusWarning);
    ASSERT_EQ(dataLines().size(), 1u);
    EXPECT_EQ(dataLines()[0].resultText, QStringLiteral("404 File Not Found"));
    EXPECT_EQ(dataLines()[0].notes, QStringLiteral("Manually Stopped."));

    // The next cycle starts clean.
    engine.mF_StartCheck_Click();
    EXPECT_FALSE(st.bInetDoubleCheck);
    respond(404);
    EXPECT_TRUE(st.bInetDoubleCheck);
}

TEST_F(EngineTest, StopWithNothingExecutingOnlyTellsTheOperator) {
    engine.StopCheck();
    EXPECT_EQ(fakes.messages.texts, QStringList{QStringLiteral("Checking is not in progress.")});

    // Between two probes of a running cycle the cycle goes on.
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    engine.mF_StartCheck_Click();
    inet.setStillExecuting(false);  // the control went idle without telling
    engine.StopCheck();
    EXPECT_EQ(fakes.messages.texts.size(), 2);
    EXPECT_TRUE(st.bCheckInProgress);
    EXPECT_EQ(inet.cancelCount, 0);
    engine.TimerMain_Timer();
    EXPECT_TRUE(engine.CycleRunning());
    EXPECT_EQ(probedUrls().last(), QStringLiteral("http://b.test"));
    EXPECT_TRUE(dataLines().empty());
}

TEST_F(EngineTest, ControlThatGoesIdleSilentlyIsNoticedOnTheNextTick) {
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    inet.setStillExecuting(false);
    EXPECT_TRUE(engine.CycleRunning());
    engine.TimerMain_Timer();
    EXPECT_FALSE(engine.CycleRunning());
}

// --- the cookie switch ------------------------------------------------------

TEST_F(EngineTest, CookieSettingIsSwitchedForTheCycleAndRestored) {
    access.CreateKey(reg::HKEY_CURRENT_USER, kInternetSettingsKey);
    access.SetValue(reg::HKEY_CURRENT_USER, kInternetSettingsKey, kAllowCookies, 1, kTypeNumber);
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    EXPECT_EQ(allowCookies(), 2);
    EXPECT_EQ(ReadCookiePolicy(access), 2);
    respond(200);
    EXPECT_EQ(allowCookies(), 1);
    EXPECT_EQ(engine.cookies().SavedCookieSetting(), 1);
}

TEST_F(EngineTest, MissingCookieSettingIsRemovedAgainAfterTheCycle) {
    settings.AllowType = 1;
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    EXPECT_EQ(allowCookies(), 1);
    respond(200);
    EXPECT_EQ(allowCookies(), std::nullopt);

    // Also when an earlier cycle of the run did read a value.
    access.SetValue(reg::HKEY_CURRENT_USER, kInternetSettingsKey, kAllowCookies, 2, kTypeNumber);
    engine.mF_StartCheck_Click();
    respond(200);
    EXPECT_EQ(allowCookies(), 2);
    access.DeleteValue(reg::HKEY_CURRENT_USER, kInternetSettingsKey, kAllowCookies);
    engine.mF_StartCheck_Click();
    respond(200);
    EXPECT_EQ(allowCookies(), std::nullopt);
}

TEST_F(EngineTest, CookieSettingHeldAsTextIsPutBackAsText) {
    access.CreateKey(reg::HKEY_CURRENT_USER, kInternetSettingsKey);
    access.SetValue(reg::HKEY_CURRENT_USER, kInternetSettingsKey, kAllowCookies,
                    QStringLiteral("ask"), kTypeString);
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    EXPECT_EQ(allowCookies(), 2);
    respond(200);
    QString text;
    std::int32_t type = 0;
    ASSERT_EQ(
        access.GetValue(reg::HKEY_CURRENT_USER, kInternetSettingsKey, kAllowCookies, text, &type),
        0);
    EXPECT_EQ(type, kTypeString);
    EXPECT_EQ(text, QStringLiteral("ask"));
}

}  // namespace
}  // namespace ossivant::test

namespace ossivant::test {
namespace {

// Sites removed while a cycle runs (the list's pop-up stays available) are
// passed over; the walk neither fails nor probes a stale entry.
TEST_F(EngineTest, SitesRemovedDuringTheCycleArePassedOver) {
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    addSite(QStringLiteral("c.test"));
    engine.mF_StartCheck_Click();
    sites.clear();
    sites.append(SiteRecord{{}, QStringLiteral("a.test"), StatusOK, 1, 30, {}});
    respond(200);
    EXPECT_FALSE(engine.CycleRunning());
    EXPECT_EQ(inet.calls.size(), 1);
    EXPECT_EQ(logLines().back(), QStringLiteral("[END CHECK]"));
}

// A control that keeps saying it runs whatever it is told.
class StubbornControl final : public TransferControl {
public:
    bool Execute(const QString& url, const QString&) override {
        url_ = url;
        return true;
    }
    void Cancel() override { ++cancels; }
    bool StillExecuting() const override { return true; }
    QString URL() const override { return url_; }
    QString GetHeader() const override { return {}; }
    qint32 ResponseCode() const override { return 0; }
    QString ResponseInfo() const override { return {}; }
    int RequestTimeout() const override { return 0; }
    void setRequestTimeout(int) override {}
    QString ServerName() const override { return {}; }
    void setServerName(const QString&) override {}
    int CertificateDaysLeft() const override { return -1; }
    int cancels = 0;

private:
    QString url_;
};

TEST_F(EngineTest, StopGivesUpOnAControlThatNeverStops) {
    StubbornControl stubborn;
    CheckEngine other{{sites, store, sync, settings, access, stubborn, log, alerts, clock,
                       network},
                      fakes.screen()};
    addSite(QStringLiteral("a.test"));
    other.mF_StartCheck_Click();
    other.StopCheck();
    EXPECT_EQ(stubborn.cancels, 100);
    EXPECT_FALSE(other.state().bCheckInProgress);
    EXPECT_EQ(dataLines().at(0).notes, QStringLiteral("Manually Stopped."));
}

}  // namespace
}  // namespace ossivant::test
