// A store operation cut short by the death of its process leaves each site
// whole or absent: its pointer, its key with every value and the count agree.
// An import cut short leaves the list it found, or the list with the whole
// import.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "monitor/store/site_store.h"
#include "tests/monitor/store/site_list_station.h"
#include "tests/monitor/store/store_fixture.h"
#include "tests/support/print_qstring.h"

namespace ossivant::test {
namespace {

constexpr reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;

// Adds one site after the other until the process is killed. The registry
// is opened here, in the child: a database connection must not cross fork().
[[noreturn]] void addSitesUntilKilled(const std::string& path) {
    reg::Registry registry(path);
    RegistryAccess access(registry);
    SiteTable sites;
    RecordingMessageBox messages;
    SiteStore store(access, sites, messages);
    store.LoadSites(true, true);
    for (int n = sites.SiteCount() + 1;; ++n) {
        SiteRecord site;
        site.URL = QStringLiteral("www.site%1.example/status").arg(n);
        site.IP = QStringLiteral("10.0.0.1");
        site.TimeOut = 30;
        site.Enabled = 1;
        store.AddSite(site);
    }
}

TEST(StoreCrashTest, AStoreOperationKilledInTheMiddleLeavesTheWholeSiteOrNoneOfIt) {
    TempRegistry temp;
    for (int round = 0; round < 6; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) addSitesUntilKilled(temp.path());
        ::usleep(120'000 + 23'000 * round);  // a different moment each round
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
    }

    reg::Registry registry(temp.path());
    RegistryAccess access(registry);
    std::vector<RegistryEntry> pointers;
    ASSERT_EQ(access.EnumValues(kHive, SiteStore::pointerKey(), pointers, 1'000'000), 0);
    ASSERT_GT(pointers.size(), 6u);
    QStringList keys;
    access.EnumKeys(kHive, SiteStore::addressKey(), keys, 1'000'000);
    EXPECT_EQ(keys.size(), qsizetype(pointers.size()));
    std::int32_t count = -1;
    access.GetValue(kHive, SiteStore::addressKey(), QStringLiteral("NumActualDomain"), count);
    EXPECT_EQ(count, std::int32_t(pointers.size()));

    const QStringList allValues = {"Index", "URL", "IP", "Comments", "Enabled", "Status", "Timeout"};
    for (const RegistryEntry& pointer : pointers) {
        std::vector<RegistryEntry> values;
        ASSERT_EQ(access.EnumValues(kHive, SiteStore::siteKey(pointer.Data.toString()), values, 100), 0)
            << qPrintable(pointer.Name);
        QStringList names;
        for (const RegistryEntry& v : values) names << v.Name;
        EXPECT_EQ(names, allValues) << qPrintable(pointer.Name);
    }
}

// The import's wait window in the child: tells the parent of every line
// read ('l') and of the end of the import ('e').
class TellingScreen final : public SiteListScreen {
public:
    explicit TellingScreen(int fd) : fd_(fd) {}
    void holdWindow(const QString&, const QString&, bool, std::int32_t) override {}
    void setProgressText(const QString&, bool, std::int32_t) override {}
    void setProgress(std::int32_t) override { tell('l'); }
    void releaseWindow() override { tell('e'); }
    void clearList() override {}
    void refillList() override {}

private:
    void tell(char c) {
        if (::write(fd_, &c, 1) != 1) ::_exit(3);
    }
    int fd_;
};

// Imports the file once (replace mode) and waits to be killed.
[[noreturn]] void importUntilKilled(const std::string& path, const QString& file, int fd) {
    reg::Registry registry(path);
    RegistryAccess access(registry);
    SiteTable sites;
    RecordingMessages messages = Answering(MsgAnswer::Yes);
    SiteStore store(access, sites, messages);
    store.LoadSites(true, true);
    ScriptedFileDialogs dialogs;
    dialogs.openAnswers << file;
    TellingScreen screen(fd);
    FakeClock clock;
    SiteListTransfer transfer({access, store, sites, messages, dialogs, screen, clock});
    transfer.ImportList();
    for (;;) ::pause();
}

// The list the next start finds: renumbered and loaded.
QStringList ListAtNextStart(const std::string& path) {
    reg::Registry registry(path);
    RegistryAccess access(registry);
    SiteTable sites;
    RecordingMessageBox messages;
    SiteStore store(access, sites, messages);
    store.RenumberSites();
    store.LoadSites(true, true);
    QStringList list;
    for (const SiteRecord& s : sites)
        list << QStringLiteral("%1|%2|%3|%4")
                    .arg(s.URL)
                    .arg(s.Status)
                    .arg(s.TimeOut)
                    .arg(s.Comments);
    return list;
}

// Reads one byte the child tells; '\0' when it told nothing within 60 s.
char Heard(int fd) {
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    if (::poll(&p, 1, 60'000) != 1 || ::read(fd, &c, 1) != 1) return '\0';
    return c;
}

TEST(StoreCrashTest, AnImportKilledAtAnyMomentLeavesTheOldListOrTheWholeNewOne) {
    constexpr int kLines = 900;
    // When each round kills the importing child: after this many lines were
    // read, and then after this many microseconds more; -1 lines: once the
    // import has ended.
    const std::pair<int, int> moments[] = {{1, 0},           {kLines / 2, 0},  {kLines, 0},
                                           {kLines, 2000},   {kLines, 5000},   {kLines, 10'000},
                                           {kLines, 20'000}, {kLines, 40'000}, {-1, 0}};
    QByteArray lines;
    for (int n = 1; n <= kLines; ++n)
        lines += "www.import" + QByteArray::number(n) + ".example,,2,1,45\r\n";
    int oldLists = 0;
    int newLists = 0;
    QStringList imported;
    for (int n = 1; n <= kLines; ++n)
        imported << QStringLiteral("www.import%1.example|2|45|Import New").arg(n);
    imported.sort();
    for (const auto& [linesRead, micros] : moments) {
        TempRegistry temp;
        {
            // Closed before the fork: a database connection must not cross it.
            reg::Registry registry(temp.path());
            RegistryAccess access(registry);
            SiteTable sites;
            RecordingMessageBox messages;
            SiteStore store(access, sites, messages);
            for (int n = 1; n <= 5; ++n)
                store.AddSite(
                    {QString(), QStringLiteral("www.old%1.example").arg(n), 0, 1, 30, {}});
        }
        const QStringList before = ListAtNextStart(temp.path());
        ASSERT_EQ(before.size(), 5);
        const QString file = QString::fromStdString(temp.dir().file("import.ovd"));
        WriteAll(file, lines);

        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            importUntilKilled(temp.path(), file, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        const int wanted = linesRead < 0 ? kLines : linesRead;
        for (int n = 0; n < wanted; ++n) ASSERT_EQ(Heard(pipeFds[0]), 'l') << n;
        if (linesRead < 0) {
            ASSERT_EQ(Heard(pipeFds[0]), 'e');
        }
        if (micros > 0) ::usleep(micros);  // a moment within the storing
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        ::close(pipeFds[0]);

        const QStringList after = ListAtNextStart(temp.path());
        if (after == before) {
            ++oldLists;
            continue;
        }
        ASSERT_EQ(after.size(), 5 + kLines) << linesRead << " lines, " << micros << " us";
        EXPECT_EQ(after.mid(0, 5), before);
        QStringList added = after.mid(5);
        added.sort();
        EXPECT_EQ(added, imported);
        ++newLists;
    }
    EXPECT_GE(oldLists, 2);  // killed while the file was read
    EXPECT_GE(newLists, 1);  // killed after the import
}

}  // namespace
}  // namespace ossivant::test
