#include "tests/monitor/engine/engine_fixture.h"

namespace ossivant::test {
namespace {

const QString kUrl = QStringLiteral("www.example.test");
const QString kIp = QStringLiteral("192.0.2.1");

class SiteLifeTest : public EngineTest {
protected:
    // One manual cycle over the table; `answer` plays the control's side.
    template <class Answer>
    void cycle(Answer answer) {
        fakes.window.beeps = 0;
        const auto linesBefore = dataLines().size();
        engine.mF_StartCheck_Click();
        answer();
        ASSERT_FALSE(engine.CycleRunning());
        const auto all = dataLines();
        newLines.assign(all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end());
    }
    std::vector<DataLine> newLines;
};

TEST_F(SiteLifeTest, FailingSiteWithoutIpGoesYellowThenRedWithOneAlert) {
    const auto i = addSite(kUrl, {}, StatusUnchecked);

    cycle([&] { respond(200); });
    EXPECT_EQ(sites[i].Status, StatusOK);
    EXPECT_EQ(fakes.rows.lights[i], SiteRows::Green);
    EXPECT_EQ(fakes.rows.comments[i], QStringLiteral("Site OK"));
    EXPECT_EQ(newLines.at(0).style, QStringLiteral("1"));
    EXPECT_EQ(storedStatus(kUrl), StatusOK);
    EXPECT_EQ(st.NextCheckTime, clock.now().addSecs(3600));

    clock.advanceSeconds(30);
    cycle([&] { respond(404); });
    EXPECT_EQ(sites[i].Status, StatusWarning);
    EXPECT_EQ(fakes.rows.lights[i], SiteRows::Yellow);
    EXPECT_EQ(fakes.rows.comments[i], QStringLiteral("404 File Not Found"));
    EXPECT_EQ(newLines.at(0).style, QStringLiteral("4"));
    EXPECT_EQ(st.NextCheckTime, clock.now().addSecs(15 * 60));
    EXPECT_TRUE(alerts.sent.empty());
    EXPECT_EQ(fakes.window.beeps, 0);

    cycle([&] { respond(404); });
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(fakes.rows.lights[i], SiteRows::Red);
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("404"));
    EXPECT_FALSE(alerts.sent[0].facts.bInetDoubleCheck);
    EXPECT_EQ(alerts.sent[0].facts.site.URL, kUrl);
    EXPECT_EQ(fakes.window.downNotices, QStringList{"http://" + kUrl + " | 404 File Not Found"});
    EXPECT_EQ(newLines.at(0).notes, QStringLiteral("E-mail Notification Sent"));
    EXPECT_EQ(newLines.at(0).style, QStringLiteral("2"));
    EXPECT_TRUE(st.bSiteDown);
    EXPECT_EQ(fakes.window.beeps, 1);
    EXPECT_EQ(storedStatus(kUrl), StatusFailed);

    cycle([&] { respond(500); });
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(fakes.rows.comments[i], QStringLiteral("500 Internal Server Error"));
    EXPECT_EQ(storedComments(kUrl), QStringLiteral("500 Internal Server Error"));
    EXPECT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(newLines.at(0).style, QStringLiteral("2"));
    EXPECT_TRUE(newLines.at(0).notes.isEmpty());
    EXPECT_EQ(fakes.window.beeps, 1);

    cycle([&] { respond(302); });
    EXPECT_EQ(sites[i].Status, StatusOK);
    EXPECT_EQ(fakes.rows.lights[i], SiteRows::Green);
    EXPECT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(fakes.window.beeps, 0);

    // Down again after a recovery: one new alert.
    cycle([&] { respond(404); });
    cycle([&] { respond(404); });
    EXPECT_EQ(alerts.sent.size(), 2u);
}

TEST_F(SiteLifeTest, FailingSiteWithIpIsDoubleCheckedBeforeItGoesDown) {
    const auto i = addSite(kUrl, kIp, StatusOK);

    cycle([&] { respond(404); });
    ASSERT_EQ(sites[i].Status, StatusWarning);
    EXPECT_EQ(inet.calls.size(), 1);

    clock.advanceMinutes(15);
    engine.mF_StartCheck_Click();
    respond(404);
    // The double check has begun: the IP is probed, nothing is recorded yet.
    EXPECT_TRUE(st.bInetDoubleCheck);
    EXPECT_EQ(st.InetCheckType, 2);
    EXPECT_EQ(probedUrls().last(), QStringLiteral("http://192.0.2.1"));
    EXPECT_EQ(fakes.progress.siteName, QStringLiteral("IP Check: http://192.0.2.1"));
    EXPECT_TRUE(inet.calls.last().serverName.isEmpty());
    EXPECT_EQ(sites[i].Status, StatusWarning);
    EXPECT_EQ(dataLines().size(), 1u);
    EXPECT_TRUE(alerts.sent.empty());
    EXPECT_TRUE(engine.CycleRunning());

    clock.advanceSeconds(3);
    respond(200);
    EXPECT_FALSE(engine.CycleRunning());
    EXPECT_FALSE(st.bInetDoubleCheck);
    EXPECT_EQ(st.DoubleCheckResult, 1);
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(fakes.rows.lights[i], SiteRows::Red);
    EXPECT_EQ(fakes.rows.comments[i], QStringLiteral("404 File Not Found (IP Check: OK)"));
    EXPECT_EQ(sites[i].Comments, QStringLiteral("404 File Not Found (IP Check Status: Site OK)"));
    EXPECT_EQ(storedComments(kUrl), sites[i].Comments);
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("404"));
    EXPECT_TRUE(alerts.sent[0].facts.bInetDoubleCheck);
    EXPECT_EQ(alerts.sent[0].facts.DoubleCheckResult, 1);
    EXPECT_EQ(fakes.window.downNotices,
              QStringList{"http://www.example.test | 404 File Not Found (IP Check: OK)"});

    const auto lines = dataLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].siteLabel,
              QStringLiteral("(1) http://www.example.test<BR>(2) http://192.0.2.1"));
    EXPECT_EQ(lines[1].resultText, QStringLiteral("(1) 404 File Not Found<BR>(2) Site OK"));
    EXPECT_EQ(lines[1].notes, QStringLiteral("<SPAN class=\"Emphasis\">IP Check Performed</SPAN>; "
                                             "E-mail Notification Sent"));
    EXPECT_EQ(lines[1].style, QStringLiteral("2"));
    EXPECT_EQ(lines[1].elapsed, QStringLiteral("3"));
    EXPECT_EQ(fakes.window.beeps, 1);

    // Still down: no double check, no mail.
    cycle([&] { respond(404); });
    EXPECT_EQ(inet.calls.size(), 4);
    EXPECT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(sites[i].Comments, QStringLiteral("404 File Not Found"));

    cycle([&] { respond(200); });
    EXPECT_EQ(sites[i].Status, StatusOK);
    EXPECT_EQ(alerts.sent.size(), 1u);
}

// An HTTPS site is probed at its URL as stored; its IP is asked in the
// site's own name, and every label shows the "https://" addresses.
TEST_F(SiteLifeTest, HttpsSiteKeepsItsSchemeThroughTheDoubleCheck) {
    const QString url = QStringLiteral("HTTPS://www.example.test:8443/status");
    const auto i = addSite(url, kIp, StatusWarning);
    engine.mF_StartCheck_Click();
    EXPECT_EQ(fakes.progress.siteName, "Checking " + url);
    ASSERT_EQ(inet.calls.size(), 1);
    EXPECT_EQ(inet.calls[0].url, url);
    EXPECT_TRUE(inet.calls[0].serverName.isEmpty());

    respond(503);
    ASSERT_EQ(inet.calls.size(), 2);
    EXPECT_EQ(inet.calls[1].url, QStringLiteral("https://192.0.2.1"));
    EXPECT_EQ(inet.calls[1].serverName, QStringLiteral("www.example.test"));
    EXPECT_EQ(fakes.progress.siteName, QStringLiteral("IP Check: https://192.0.2.1"));

    respond(200);
    ASSERT_FALSE(engine.CycleRunning());
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(fakes.window.downNotices,
              QStringList{url + " | 503 Service Unavailable (IP Check: OK)"});
    const auto lines = dataLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].siteLabel, "(1) " + url + "<BR>(2) https://192.0.2.1");
}

// A certificate near its end leaves the site green and says so; farther off,
// or on a plain site, the comment is the usual one.
TEST_F(SiteLifeTest, CertificateExpiryShowsInTheCommentWithinTwoWeeks) {
    struct Row {
        int daysLeft;
        QString comment;
    };
    const Row rows[] = {
        {-1, QStringLiteral("Site OK")},
        {0, QStringLiteral("Site OK (certificate expires in 0 days)")},
        {5, QStringLiteral("Site OK (certificate expires in 5 days)")},
        {14, QStringLiteral("Site OK (certificate expires in 14 days)")},
        {15, QStringLiteral("Site OK")},
    };
    const auto i = addSite(QStringLiteral("https://www.example.test"), {}, StatusWarning);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.daysLeft);
        cycle([&] {
            inet.certificateDaysLeft = row.daysLeft;
            respond(200);
        });
        EXPECT_EQ(sites[i].Status, StatusOK);
        EXPECT_EQ(fakes.rows.lights[i], SiteRows::Green);
        EXPECT_EQ(fakes.rows.comments[i], row.comment);
        EXPECT_EQ(sites[i].Comments, row.comment);
        ASSERT_EQ(newLines.size(), 1u);
        EXPECT_EQ(newLines[0].resultText, row.comment);
        EXPECT_EQ(newLines[0].style, QStringLiteral("1"));
    }
}

TEST_F(SiteLifeTest, DoubleCheckThatFailsReportsIpCheckError) {
    const auto i = addSite(kUrl, kIp, StatusWarning);
    cycle([&] {
        respond(503);
        inet.respond(QStringLiteral("HTTP/1.1 404 Not Found\r\n"));
    });
    EXPECT_EQ(st.DoubleCheckResult, 2);
    EXPECT_EQ(fakes.rows.comments[i], QStringLiteral("503 Service Unavailable (IP Check: Error)"));
    EXPECT_EQ(sites[i].Comments,
              QStringLiteral("503 Service Unavailable (IP Check Status: 404 File Not Found)"));
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("503"));
    ASSERT_EQ(newLines.size(), 1u);
    EXPECT_EQ(newLines[0].resultText,
              QStringLiteral("(1) 503 Service Unavailable<BR>(2) 404 File Not Found"));
}

TEST_F(SiteLifeTest, TimeOutStartsTheDoubleCheckWhoseOwnTimeOutEndsIt) {
    const auto i = addSite(kUrl, kIp, StatusWarning, 1, 20);
    engine.mF_StartCheck_Click();

    clock.advanceSeconds(20);
    engine.TimerMain_Timer();
    // The URL request was cancelled by the outcome and replaced by the IP
    // probe with a deadline of its own; the watchdog neither logs nor cancels.
    EXPECT_EQ(inet.cancelCount, 1);
    EXPECT_TRUE(inet.StillExecuting());
    EXPECT_EQ(probedUrls().last(), QStringLiteral("http://192.0.2.1"));
    EXPECT_EQ(st.RequestTimeOut, clock.now().addSecs(20));
    EXPECT_TRUE(dataLines().empty());

    clock.advanceSeconds(19);
    engine.TimerMain_Timer();
    EXPECT_TRUE(st.bInetDoubleCheck);

    clock.advanceSeconds(1);
    engine.TimerMain_Timer();
    EXPECT_FALSE(engine.CycleRunning());
    EXPECT_EQ(st.DoubleCheckResult, 2);
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(sites[i].Comments,
              QStringLiteral("Request Timed-Out (IP Check Status: Request Timed-Out)"));
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("8001"));
    const auto lines = dataLines();
    ASSERT_EQ(lines.size(), 1u);  // written once, after the double check
    EXPECT_EQ(lines[0].resultText,
              QStringLiteral("(1) Request Timed-Out<BR>(2) Request Timed-Out"));
    EXPECT_EQ(lines[0].elapsed, QStringLiteral("40"));
    EXPECT_TRUE(st.RequestTimeOut.isNull());
}

TEST_F(SiteLifeTest, UrlRequestStillRunningIsCancelledWhenTheDoubleCheckStarts) {
    addSite(kUrl, kIp, StatusWarning);
    engine.mF_StartCheck_Click();
    // An unexpected state ends the probe while the request still runs.
    inet.signalState(42);
    EXPECT_EQ(inet.cancelCount, 1);
    EXPECT_EQ(st.SavedAlertCode, QStringLiteral("0"));
    EXPECT_EQ(st.SavedResultText, QStringLiteral("Unrecognized Inet State (42)"));
    EXPECT_EQ(probedUrls(), QStringList({QStringLiteral("http://www.example.test"),
                                         QStringLiteral("http://192.0.2.1")}));
}

TEST_F(SiteLifeTest, SiteWithOnlyAnIpInWarningGoesDownWithoutDoubleCheck) {
    const auto i = addSite(QString(), kIp, StatusWarning);
    cycle([&] { respond(404); });
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(inet.calls.size(), 1);
    EXPECT_EQ(alerts.sent.size(), 1u);
    EXPECT_FALSE(alerts.sent[0].facts.bInetDoubleCheck);
}

TEST_F(SiteLifeTest, HiddenRowSkipsOnlyTheRowSteps) {
    const auto i = addSite(kUrl, {}, StatusWarning);
    fakes.rows.hidden.insert(i);
    cycle([&] { respond(404); });
    EXPECT_TRUE(fakes.rows.lights.isEmpty());
    EXPECT_TRUE(fakes.rows.madeVisible.isEmpty());
    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(newLines.size(), 1u);
}

// --- notes for alerts that could not be handed off ------------------------

struct NoteCase {
    const char* name;
    const char* email;
    const char* smtp;
    bool doubleCheck;
    const char* note;
};
inline void PrintTo(const NoteCase& c, std::ostream* os) {
    *os << c.name;
}

class AlertNoteTest : public SiteLifeTest, public ::testing::WithParamInterface<NoteCase> {};

TEST_P(AlertNoteTest, FailedHandOffNamesWhatIsMissingOnlyAfterADoubleCheck) {
    const NoteCase& c = GetParam();
    settings.ManagerEmail = QString::fromLatin1(c.email);
    settings.ManagerSMTP = QString::fromLatin1(c.smtp);
    HandOffAlertSender real(settings, QString::fromStdString(temp.dir().file("no-such-folder")));
    alerts.forwardTo = &real;

    const auto i = addSite(kUrl, c.doubleCheck ? kIp : QString(), StatusWarning);
    cycle([&] {
        respond(404);
        if (c.doubleCheck) respond(200);
    });
    EXPECT_EQ(sites[i].Status, StatusFailed);
    ASSERT_EQ(newLines.size(), 1u);
    EXPECT_TRUE(newLines[0].notes.endsWith(QString::fromLatin1(c.note)))
        << newLines[0].notes.toStdString();
    EXPECT_EQ(newLines[0].style, QStringLiteral("2"));
}

INSTANTIATE_TEST_SUITE_P(
    Notes, AlertNoteTest,
    ::testing::Values(NoteCase{"DoubleCheckNeither", "", "", true,
                               "; E-mail Notification Failed (Missing e-mail address and SMTP)"},
                      NoteCase{"DoubleCheckNoAddress", "", "mail.test", true,
                               "; E-mail Notification Failed (Missing e-mail address)"},
                      NoteCase{"DoubleCheckNoServer", "ops@example.test", "", true,
                               "; E-mail Notification Failed (Missing SMTP)"},
                      NoteCase{"DoubleCheckNoLibrary", "ops@example.test", "mail.test", true,
                               "; E-mail Notification Failed"},
                      NoteCase{"NeitherWithoutDoubleCheck", "", "", false,
                               "E-mail Notification Failed"},
                      NoteCase{"NoAddressWithoutDoubleCheck", "", "mail.test", false,
                               "E-mail Notification Failed"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ossivant::test
