#include "tests/monitor/engine/engine_fixture.h"

namespace ossivant::test {
namespace {

// --- the outcome table, row by row, through a whole probe ---------------

struct OutcomeRow {
    int code;
    bool ok;
    const char* alert;
    const char* text;
};
inline void PrintTo(const OutcomeRow& r, std::ostream* os) {
    *os << r.code;
}

class OutcomeTableTest : public EngineTest, public ::testing::WithParamInterface<OutcomeRow> {};

// The site is in warning and has no IP address, so a failure takes it down
// at once and the alert carries the row's alert code.
TEST_P(OutcomeTableTest, ResponseIsClassifiedByTheTable) {
    const OutcomeRow& row = GetParam();
    const auto i = addSite(QStringLiteral("www.example.test"), {}, StatusWarning);
    engine.mF_StartCheck_Click();
    ASSERT_TRUE(inet.StillExecuting());
    respond(row.code);

    if (row.ok) {
        EXPECT_EQ(sites[i].Status, StatusOK);
        EXPECT_EQ(sites[i].Comments, QStringLiteral("Site OK"));
        EXPECT_TRUE(alerts.sent.empty());
    } else {
        EXPECT_EQ(sites[i].Status, StatusFailed);
        EXPECT_EQ(sites[i].Comments, QString::fromLatin1(row.text));
        ASSERT_EQ(alerts.sent.size(), 1u);
        EXPECT_EQ(alerts.sent[0].code, QString::fromLatin1(row.alert));
    }
    ASSERT_EQ(dataLines().size(), 1u);
    EXPECT_EQ(dataLines()[0].resultText,
              row.ok ? QStringLiteral("Site OK") : QString::fromLatin1(row.text));
    EXPECT_FALSE(engine.CycleRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutcomeTableTest,
    ::testing::Values(OutcomeRow{200, true, "", ""}, OutcomeRow{201, true, "", ""},
                      OutcomeRow{202, true, "", ""},
                      OutcomeRow{204, false, "204", "204 No Content"},
                      OutcomeRow{301, false, "301", "301 Moved Permanently"},
                      OutcomeRow{302, true, "", ""}, OutcomeRow{304, true, "", ""},
                      OutcomeRow{400, false, "400", "400 Bad Request"},
                      OutcomeRow{401, false, "401", "401 Unauthorized"},
                      OutcomeRow{403, false, "403", "403 Forbidden"},
                      OutcomeRow{404, false, "404", "404 File Not Found"},
                      OutcomeRow{405, false, "405", "405 Method Not Allowed"},
                      OutcomeRow{500, false, "500", "500 Internal Server Error"},
                      OutcomeRow{501, false, "501", "501 Not implemented"},
                      OutcomeRow{502, false, "502", "502 Bad Gateway"},
                      OutcomeRow{503, false, "503", "503 Service Unavailable"},
                      OutcomeRow{504, false, "504", "504 Gateway Time-Out"},
                      OutcomeRow{100, false, "1xx", "1xx Informational Response Received"},
                      OutcomeRow{203, false, "2xx", "2xx Success Response Received"},
                      OutcomeRow{206, false, "2xx", "2xx Success Response Received"},
                      OutcomeRow{303, false, "3xx", "3xx Redirectional Response Received"},
                      OutcomeRow{307, false, "3xx", "3xx Redirectional Response Received"},
                      OutcomeRow{418, false, "4xx", "4xx Request Error Response Received"},
                      OutcomeRow{599, false, "5xx", "5xx Server Error Response Received"},
                      OutcomeRow{600, false, "0", "Unrecognized Response Code"},
                      OutcomeRow{999, false, "0", "Unrecognized Response Code"}),
    [](const auto& info) { return std::to_string(info.param.code); });

TEST_F(EngineTest, HeaderWithoutUsableCodeIsUnrecognizedReponse) {
    const auto i = addSite(QStringLiteral("a.test"), {}, StatusWarning);
    for (const QString& header :
         {QString(), QStringLiteral("garbage\r\n"), QStringLiteral("HTTP/1.1  200 OK")}) {
        sites[i].Status = StatusWarning;
        alerts.sent.clear();
        engine.mF_StartCheck_Click();
        inet.respond(header);
        EXPECT_EQ(sites[i].Comments, QStringLiteral("Unrecognized Reponse Code"))
            << header.toStdString();
        ASSERT_EQ(alerts.sent.size(), 1u);
        EXPECT_EQ(alerts.sent[0].code, QStringLiteral("0"));
    }
}

// --- the state table ------------------------------------------------------

struct StepState {
    int state;
    const char* text;
};
inline void PrintTo(const StepState& s, std::ostream* os) {
    *os << s.state;
}

class ProgressStateTest : public EngineTest, public ::testing::WithParamInterface<StepState> {};

// States 1 to 10 only change the progress window's status line.
TEST_P(ProgressStateTest, ShowsTheStepAndTouchesNothingElse) {
    const auto i = addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    const SiteRecord before = sites[i];
    const auto lightsBefore = fakes.rows.lights;

    inet.signalState(GetParam().state);

    EXPECT_EQ(fakes.progress.siteStatus, QString::fromLatin1(GetParam().text));
    EXPECT_EQ(sites[i].Status, before.Status);
    EXPECT_EQ(sites[i].Comments, before.Comments);
    EXPECT_EQ(fakes.rows.lights, lightsBefore);
    EXPECT_TRUE(dataLines().empty());
    EXPECT_TRUE(engine.CycleRunning());
    EXPECT_TRUE(inet.StillExecuting());
}

INSTANTIATE_TEST_SUITE_P(
    States, ProgressStateTest,
    ::testing::Values(StepState{1, "Resolving Host..."}, StepState{2, "Host Found..."},
                      StepState{3, "Connecting..."}, StepState{4, "Connected with Host..."},
                      StepState{5, "Requesting Data..."}, StepState{6, "Request Sent..."},
                      StepState{7, "Receiving Data..."}, StepState{8, "Data Received..."},
                      StepState{9, "Disconnecting..."}, StepState{10, "Disconnected..."}),
    [](const auto& info) { return "State" + std::to_string(info.param.state); });

TEST_F(EngineTest, StateZeroDoesNothing) {
    addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    fakes.progress.siteStatus = QStringLiteral("before");
    inet.signalState(0);
    EXPECT_EQ(fakes.progress.siteStatus, QStringLiteral("before"));
    EXPECT_TRUE(dataLines().empty());
    EXPECT_TRUE(engine.CycleRunning());
}

TEST_F(EngineTest, TransferErrorCarriesTheControlsNumberAndText) {
    const auto i = addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    inet.fail(12, QStringLiteral("Timeout"));
    EXPECT_EQ(sites[i].Comments, QStringLiteral("ERROR:  12 Timeout"));
    EXPECT_EQ(sites[i].Status, StatusWarning);
    ASSERT_EQ(dataLines().size(), 1u);
    EXPECT_EQ(dataLines()[0].resultText, QStringLiteral("ERROR:  12 Timeout"));
    EXPECT_EQ(dataLines()[0].style, QStringLiteral("4"));
}

TEST_F(EngineTest, UnexpectedStateIsRecordedWithItsNumber) {
    const auto i = addSite(QStringLiteral("a.test"), {}, StatusWarning);
    engine.mF_StartCheck_Click();
    inet.signalState(13);
    EXPECT_EQ(sites[i].Comments, QStringLiteral("Unrecognized Inet State (13)"));
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("0"));
    // The site's line is written once; the request was cancelled, so the
    // walk went on and ended.
    EXPECT_EQ(dataLines().size(), 1u);
    EXPECT_EQ(inet.cancelCount, 1);
    EXPECT_FALSE(engine.CycleRunning());
}

// --- the probe itself -----------------------------------------------------

TEST_F(EngineTest, ProbeAddressIsTrimmedAndTheControlGetsTheSiteTimeOut) {
    addSite(QStringLiteral("  www.example.test/status/page  "), {}, StatusOK, 1, 17);
    engine.mF_StartCheck_Click();
    ASSERT_EQ(inet.calls.size(), 1);
    EXPECT_EQ(inet.calls[0].url, QStringLiteral("http://www.example.test/status/page"));
    EXPECT_EQ(inet.calls[0].operation, QStringLiteral("GET"));
    EXPECT_EQ(inet.calls[0].requestTimeout, 17);
    EXPECT_EQ(st.InetCheckType, 1);
    EXPECT_EQ(st.RequestTimeOut, clock.now().addSecs(17));
}

TEST_F(EngineTest, SiteWithOnlyAnIpIsProbedAtTheIp) {
    const auto i = addSite(QString(), QStringLiteral(" 192.0.2.7 "));
    engine.mF_StartCheck_Click();
    ASSERT_EQ(inet.calls.size(), 1);
    EXPECT_EQ(inet.calls[0].url, QStringLiteral("http://192.0.2.7"));
    EXPECT_EQ(st.InetCheckType, 2);
    clock.advanceSeconds(2);
    respond(200);
    EXPECT_EQ(sites[i].Status, StatusOK);
    ASSERT_EQ(dataLines().size(), 1u);
    EXPECT_EQ(dataLines()[0].siteLabel, QStringLiteral("http:// 192.0.2.7 "));
    EXPECT_EQ(dataLines()[0].checkStart,
              LogDateTimeText(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))));
    EXPECT_EQ(dataLines()[0].elapsed, QStringLiteral("2"));
}

// --- the deadline watchdog ------------------------------------------------

TEST_F(EngineTest, WatchdogTimesOutAtTheDeadlineAndCancels) {
    const auto a = addSite(QStringLiteral("slow.test"), {}, StatusOK, 1, 30);
    addSite(QStringLiteral("next.test"));
    engine.mF_StartCheck_Click();

    clock.advanceSeconds(29);
    engine.TimerMain_Timer();
    EXPECT_EQ(inet.cancelCount, 0);
    EXPECT_EQ(inet.calls.size(), 1);

    clock.advanceSeconds(1);
    engine.TimerMain_Timer();
    EXPECT_EQ(inet.cancelCount, 2);  // once by the outcome for its URL, once by the watchdog
    EXPECT_EQ(sites[a].Comments, QStringLiteral("Request Timed-Out"));
    EXPECT_EQ(sites[a].Status, StatusWarning);
    ASSERT_EQ(dataLines().size(), 1u);
    EXPECT_EQ(dataLines()[0].resultText, QStringLiteral("Request Timed-Out"));
    EXPECT_EQ(dataLines()[0].elapsed, QStringLiteral("30"));
    // The walk went straight on to the next site.
    ASSERT_EQ(inet.calls.size(), 2);
    EXPECT_EQ(inet.calls[1].url, QStringLiteral("http://next.test"));
}

TEST_F(EngineTest, WatchdogWithoutDeadlineNeverFires) {
    const auto i = addSite(QStringLiteral("a.test"));
    engine.mF_StartCheck_Click();
    respond(200);
    EXPECT_TRUE(st.RequestTimeOut.isNull());
    clock.advanceDays(3);
    engine.TimerMain_Timer();
    EXPECT_EQ(sites[i].Status, StatusOK);
    EXPECT_EQ(dataLines().size(), 1u);
}

TEST_F(EngineTest, ClockPanelShowsTheGeneralDateTime) {
    clock.set(QDateTime(QDate(2026, 12, 7), QTime(14, 3, 9)));
    engine.TimerMain_Timer();
    EXPECT_EQ(fakes.panels.texts[1], QStringLiteral("7 Dec 2026 14:03:09"));  // C locale
}

}  // namespace
}  // namespace ossivant::test
