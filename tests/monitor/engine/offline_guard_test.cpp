// Cycles on a computer that may be offline: which hold their verdicts, and
// which judge every site as usual.

#include "tests/monitor/engine/engine_fixture.h"

namespace ossivant::test {
namespace {

const QString kOfflineNote = QStringLiteral("Not checked: this computer is offline");
constexpr qint32 kNoConnection = 7;  // the transfer library's "could not connect"

// How one site of the cycle ends: -1 no connection, else this HTTP status.
struct OfflineCase {
    const char* name;
    std::vector<int> sites;
    NetworkReach reach;
    QString reference;
    int referenceEnd;  // how the reference probe ends, as the sites; 0 = not probed
    bool guard;
    bool offline;
};

class OfflineGuardTest : public EngineTest, public ::testing::WithParamInterface<OfflineCase> {
protected:
    void end(int how) {
        if (how < 0)
            inet.fail(kNoConnection, QStringLiteral("Could not connect"));
        else
            respond(how);
    }
};

TEST_P(OfflineGuardTest, CycleOutcome) {
    const OfflineCase& c = GetParam();
    settings.OfflineGuard = c.guard ? 1 : 0;
    settings.NetworkReference = c.reference;
    network.set(c.reach);
    QStringList urls;
    for (std::size_t i = 0; i < c.sites.size(); ++i) {
        urls << QStringLiteral("http://site%1.test/").arg(i);
        addSite(urls.back());
    }
    engine.mF_StartCheck_Click();
    for (const int how : c.sites) end(how);
    if (c.referenceEnd != 0) {
        ASSERT_EQ(inet.calls.size(), c.sites.size() + 1);
        EXPECT_EQ(inet.calls.back().url, HttpAddress(c.reference));
        end(c.referenceEnd);
    } else {
        EXPECT_EQ(inet.calls.size(), c.sites.size());
    }
    ASSERT_FALSE(engine.CycleRunning());

    const std::vector<DataLine> lines = dataLines();
    ASSERT_EQ(lines.size(), c.sites.size());
    for (std::size_t i = 0; i < c.sites.size(); ++i) {
        const bool failed = c.sites[i] < 0 || c.sites[i] >= 400;
        const std::int32_t expected = c.offline || !failed ? StatusOK : StatusWarning;
        EXPECT_EQ(storedStatus(urls[i]), expected) << urls[i].toStdString();
        EXPECT_EQ(lines[i].notes.contains(kOfflineNote), c.offline) << urls[i].toStdString();
    }
    EXPECT_EQ(fakes.window.offline, c.offline);
    EXPECT_EQ(fakes.panels.notices.contains(kOfflineNote), c.offline);
    const qint64 wait = st.NextCheckTime.toSecsSinceEpoch() - clock.now().toSecsSinceEpoch();
    // A first failure asks for the warning interval too; only all-OK waits the full one.
    EXPECT_EQ(wait, 15 * 60);
}

const QString kRef = QStringLiteral("http://127.0.0.1:9/");

INSTANTIATE_TEST_SUITE_P(
    Cycles, OfflineGuardTest,
    ::testing::Values(
        OfflineCase{"SystemOffline", {-1, -1}, NetworkReach::Offline, {}, 0, true, true},
        OfflineCase{"ReferenceUnreachable", {-1, -1}, NetworkReach::Online, kRef, -1, true, true},
        OfflineCase{"ReferenceAnswers", {-1, -1}, NetworkReach::Online, kRef, 404, true, false},
        OfflineCase{"UnknownAndReferenceUnreachable", {-1}, NetworkReach::Unknown, kRef, -1, true,
                    true},
        OfflineCase{"OneFailsAmongAnswering", {200, -1, 200}, NetworkReach::Offline, kRef, 0,
                    true, false},
        OfflineCase{"AnswerAfterFailures", {-1, -1, 500}, NetworkReach::Offline, {}, 0, true,
                    false},
        OfflineCase{"OneSiteSystemOnline", {-1}, NetworkReach::Online, kRef, 0, true, false},
        OfflineCase{"OnlineWithoutReference", {-1, -1}, NetworkReach::Online, {}, 0, true, false},
        OfflineCase{"GuardOff", {-1, -1}, NetworkReach::Offline, kRef, 0, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Held verdicts are given in the order of the sites, with the alert of a
// site already in warning, once a later site answers.
TEST_F(OfflineGuardTest, HeldVerdictsAreGivenInOrderWhenASiteAnswers) {
    settings.OfflineGuard = 1;
    network.set(NetworkReach::Unknown);
    const QString a = QStringLiteral("http://a.test/"), b = QStringLiteral("http://b.test/");
    addSite(a, {}, StatusWarning);
    addSite(b);
    addSite(QStringLiteral("http://c.test/"));
    engine.mF_StartCheck_Click();
    end(-1);
    end(-1);
    EXPECT_EQ(alerts.sent.size(), 0u);
    EXPECT_TRUE(dataLines().empty());
    end(200);
    EXPECT_EQ(storedStatus(a), StatusFailed);
    EXPECT_EQ(storedStatus(b), StatusWarning);
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].facts.probeURL, HttpAddress(a));
    const std::vector<DataLine> lines = dataLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].siteLabel, HttpAddress(a));
    EXPECT_EQ(lines[1].siteLabel, HttpAddress(b));
    EXPECT_FALSE(fakes.window.offline);
}

// After an offline cycle the next one waits for the network, not the interval.
TEST_F(OfflineGuardTest, NetworkBackStartsTheNextCycle) {
    settings.OfflineGuard = 1;
    network.set(NetworkReach::Offline);
    addSite(QStringLiteral("http://a.test/"));
    engine.TimerAutoCheck_Timer();  // NextCheckTime is null: due now
    end(-1);
    ASSERT_TRUE(fakes.window.offline);
    clock.advanceMinutes(1);
    engine.TimerAutoCheck_Timer();
    EXPECT_EQ(inet.calls.size(), 1u);
    network.set(NetworkReach::Online);
    engine.TimerAutoCheck_Timer();
    ASSERT_EQ(inet.calls.size(), 2u);
    respond(200);
    EXPECT_FALSE(fakes.window.offline);
}

}  // namespace
}  // namespace ossivant::test
