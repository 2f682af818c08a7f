// Scenarios of a registry file that other programs use while the monitor
// runs: one holds its write lock, one replaces or removes it, one changes the
// site list and the settings between two cycles.

#include <QElapsedTimer>
#include <filesystem>
#include <memory>

#include "monitor/store/store_texts.h"
#include "tests/monitor/engine/engine_fixture.h"
#include "tests/support/print_qstring.h"

namespace ossivant::test {
namespace {

const reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;

// Another program's own connection to a registry file, with its own view of
// the site list.
struct OtherProgram {
    explicit OtherProgram(const std::string& path) : registry(path) {}

    std::int32_t addSite(const QString& url) {
        store.LoadSites(true, true);
        SiteRecord entered;
        entered.URL = url;
        entered.Enabled = 1;
        entered.TimeOut = 30;
        return store.AddSite(entered);
    }

    reg::Registry registry;
    RegistryAccess access{registry};
    SiteTable sites;
    RecordingMessages messages;
    SiteStore store{access, sites, messages};
};

QStringList urlsOf(const SiteTable& sites) {
    QStringList urls;
    for (std::int32_t i = 1; i <= sites.SiteCount(); ++i) urls << sites[i].URL;
    return urls;
}

TEST_F(EngineTest, ResultsRefusedWhileAnotherProgramHoldsTheFileAreStoredOnceItIsFree) {
    for (const char* url : {"a.test", "b.test", "c.test"})
        addSite(QString::fromLatin1(url), {}, StatusWarning);
    OtherProgram other(temp.path());
    {
        // The other program takes the write lock and keeps it for the whole
        // cycle, changing nothing.
        auto held = std::make_unique<reg::Registry::Transaction>(other.registry);
        QString ignored;
        other.access.GetValue(kHive, SiteStore::addressKey(), QStringLiteral("NumActualDomain"),
                              ignored);

        QElapsedTimer elapsed;
        elapsed.start();
        engine.mF_StartCheck_Click();
        for (int i = 0; i < 3; ++i) respond(200);
        ASSERT_FALSE(engine.CycleRunning());
        // Each refused write waits the short time-out, not seconds.
        EXPECT_LT(elapsed.elapsed(), 4000);
        EXPECT_EQ(fakes.panels.notices, QStringList{WritesRefusedText()});
        EXPECT_TRUE(store.HasUnsaved());
        EXPECT_EQ(storedStatus(QStringLiteral("b.test")), StatusWarning);
    }
    const QString okComment = sites[2].Comments;
    ASSERT_FALSE(okComment.isEmpty());

    // At the next cycle's start the store catches up with the table, and the
    // operator hears once that writes work again.
    clock.advanceSeconds(3600);
    engine.mF_StartCheck_Click();
    EXPECT_FALSE(store.HasUnsaved());
    for (const char* url : {"a.test", "b.test", "c.test"}) {
        EXPECT_EQ(storedStatus(QString::fromLatin1(url)), StatusOK) << url;
        EXPECT_EQ(storedComments(QString::fromLatin1(url)), okComment) << url;
    }
    EXPECT_EQ(fakes.panels.notices, (QStringList{WritesRefusedText(), WritesResumedText()}));
    EXPECT_EQ(fakes.window.reloads, 0);  // the other program changed nothing
    for (int i = 0; i < 3; ++i) respond(200);
    EXPECT_EQ(fakes.panels.notices.size(), 2);
}

TEST_F(EngineTest, ARegistryFileRemovedAndThenReplacedIsToldOnceEachAndNeverMadeAgain) {
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    std::filesystem::remove(temp.path());

    engine.mF_StartCheck_Click();
    respond(200);
    respond(500);
    ASSERT_FALSE(engine.CycleRunning());
    EXPECT_EQ(fakes.panels.notices, QStringList{StoreGoneText()});
    EXPECT_FALSE(std::filesystem::exists(temp.path()));
    // The log of the file that went lies emptied, if at all: never taken for
    // the log of a file put there.
    const std::string wal = temp.path() + "-wal";
    EXPECT_TRUE(!std::filesystem::exists(wal) || std::filesystem::file_size(wal) == 0);

    clock.advanceSeconds(3600);
    engine.mF_StartCheck_Click();
    respond(200);
    respond(200);
    EXPECT_EQ(fakes.panels.notices.size(), 1);
    EXPECT_FALSE(std::filesystem::exists(temp.path()));
    EXPECT_EQ(urlsOf(sites), (QStringList{"a.test", "b.test"}));  // still checked meanwhile

    // Another file is put in its place: its list is the one checked now.
    const std::string restored = temp.dir().file("restored.db");
    {
        OtherProgram other(restored);
        other.addSite(QStringLiteral("c.test"));
    }
    std::filesystem::rename(restored, temp.path());
    clock.advanceSeconds(3600);
    inet.calls.clear();
    engine.mF_StartCheck_Click();
    EXPECT_EQ(fakes.panels.notices.back(), StoreReplacedText());
    EXPECT_EQ(fakes.window.reloads, 1);
    EXPECT_EQ(urlsOf(sites), QStringList{"c.test"});
    respond(200);
    EXPECT_EQ(probedUrls(), QStringList{"http://c.test"});
    EXPECT_EQ(storedStatus(QStringLiteral("c.test")), StatusOK);
}

TEST_F(EngineTest, SitesAndSettingsChangedByAnotherProgramAreTakenInAtTheNextCycle) {
    addSite(QStringLiteral("a.test"));
    addSite(QStringLiteral("b.test"));
    store.RenumberSites();  // the pointers, as at start-up
    store.LoadSites(true, true);
    engine.mF_StartCheck_Click();
    respond(200);
    respond(200);
    ASSERT_FALSE(engine.CycleRunning());
    EXPECT_EQ(fakes.window.reloads, 0);

    {
        OtherProgram other(temp.path());
        other.addSite(QStringLiteral("c.test"));
        other.store.RemoveSite(1);  // a.test
        const QString timerKey = OssivantKey(QStringLiteral("\\Settings\\Timer"));
        other.access.CreateKey(kHive, timerKey);
        ASSERT_EQ(
            other.access.SetValue(kHive, timerKey, QStringLiteral("Interval"), 30, kTypeNumber), 0);
    }
    clock.advanceSeconds(3600);
    inet.calls.clear();
    engine.mF_StartCheck_Click();
    EXPECT_EQ(fakes.window.reloads, 1);
    EXPECT_EQ(urlsOf(sites), (QStringList{"b.test", "c.test"}));
    EXPECT_EQ(sites[1].Status, StatusOK);  // kept from the store
    EXPECT_EQ(settings.TimerInterval, 30);
    EXPECT_EQ(st.NextCheckTime, clock.now().addSecs(30 * 60));
    EXPECT_EQ(fakes.panels.notices, QStringList{StoreReloadedText()});
    respond(200);
    respond(200);
    EXPECT_EQ(probedUrls(), (QStringList{"http://b.test", "http://c.test"}));

    // Nothing changed elsewhere: nothing is loaded again.
    clock.advanceSeconds(3600);
    engine.mF_StartCheck_Click();
    respond(200);
    respond(200);
    EXPECT_EQ(fakes.window.reloads, 1);
}

}  // namespace
}  // namespace ossivant::test
