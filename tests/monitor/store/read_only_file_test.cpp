// A registry file this user may read but not write.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "monitor/store/site_store.h"
#include "monitor/store/store_sync.h"
#include "monitor/store/store_texts.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

const reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;
const QString kTimerKey = OssivantKey(QStringLiteral("\\Settings\\Timer"));

// The user the reading process runs as: no account is needed, only a user id
// that owns nothing here (the tests run as root, who may write any file).
constexpr uid_t kOtherUser = 64997;

// Stores two sites and a setting through `registry`: as the monitor does,
// or as the registry tool would, the site keys alone with no pointers to them
// (their Index tells the order).
void writeList(reg::Registry& registry, bool asTheMonitorDoes = true) {
    RegistryAccess access(registry);
    SiteTable sites;
    RecordingMessages messages;
    SiteStore store(access, sites, messages);
    if (asTheMonitorDoes) store.LoadSites(true, true);
    std::int32_t index = 0;
    for (const char* url : {"a.test", "b.test"}) {
        SiteRecord site;
        site.URL = QString::fromLatin1(url);
        site.Enabled = 1;
        site.TimeOut = 30;
        if (asTheMonitorDoes)
            store.AddSite(site);
        else
            store.WriteSiteKey(site, ++index);
    }
    access.CreateKey(kHive, kTimerKey);
    access.SetValue(kHive, kTimerKey, QStringLiteral("Interval"), 20, kTypeNumber);
}

// How the program that wrote the file left it.
enum class Writer {
    Running,  // still open: the list is in the write-ahead log only
    Killed,   // died with the list in the log
    Closed,   // ended: the list is in the file itself, no log beside it
    Tool,     // the registry tool, which writes no pointers, ended
};

class ReadOnlyFile : public ::testing::TestWithParam<Writer> {};

// Runs in a process of another user; a failed check is told on stderr.
void readAsOtherUser(const std::string& path) {
    auto fail = [](const char* what) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::_Exit(1);
    };
    if (setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
        setresuid(kOtherUser, kOtherUser, kOtherUser) != 0)
        fail("switching the user");
    reg::Registry registry(path, reg::Registry::kShortBusyTimeoutMs);
    RegistryAccess access(registry);
    SiteTable sites;
    RecordingMessages messages;
    SiteStore store(access, sites, messages);
    Settings settings;
    StoreSync sync(access, store, settings, QString());
    if (!registry.ReadOnly()) fail("opened for writing");
    store.LoadSites(true, true);
    if (!messages.texts.isEmpty()) fail(qPrintable(messages.texts.front()));
    if (sites.SiteCount() != 2 || sites[1].URL != QLatin1String("a.test") ||
        sites[2].URL != QLatin1String("b.test"))
        fail("the sites");
    std::int32_t interval = 0;
    if (access.GetValue(kHive, kTimerKey, QStringLiteral("Interval"), interval) != 0 ||
        interval != 20)
        fail("the settings");
    sync.TellAtStart(messages);
    if (messages.texts != QStringList{ReadOnlyStoreText(path)}) fail("the message at start");
    // A result cannot be stored, and is not kept to be stored later.
    sites[1].Status = StatusFailed;
    store.SaveSite(1, false);
    if (store.HasUnsaved() || !sync.AfterWrite().isEmpty()) fail("a result kept for later");
    std::fputs("read-only registry served\n", stderr);
    std::_Exit(0);
}

TEST_P(ReadOnlyFile, SitesAndSettingsLoadAndTheOperatorIsToldOnceThatResultsCannotBeStored) {
    TempRegistry temp;
    std::unique_ptr<reg::Registry> writer;
    switch (GetParam()) {
        case Writer::Running:
            writer = std::make_unique<reg::Registry>(temp.path());
            writeList(*writer);
            break;
        case Writer::Killed: {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                auto* registry = new reg::Registry(temp.path());  // never closed
                writeList(*registry);
                std::_Exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            break;
        }
        case Writer::Closed:
        case Writer::Tool: {
            reg::Registry registry(temp.path());
            writeList(registry, GetParam() == Writer::Closed);
            break;
        }
    }
    ASSERT_EQ(std::filesystem::exists(temp.path() + "-wal"),
              GetParam() == Writer::Running || GetParam() == Writer::Killed);
    // Owned by root, readable by everyone, writable by root alone.
    ASSERT_EQ(chmod(temp.dir().path().c_str(), 0755), 0);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string file = temp.path() + suffix;
        if (std::filesystem::exists(file)) {
            ASSERT_EQ(chmod(file.c_str(), 0644), 0);
        }
    }
    QFile file(QString::fromStdString(temp.path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    EXPECT_EXIT(readAsOtherUser(temp.path()), ::testing::ExitedWithCode(0),
                "read-only registry served");

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

INSTANTIATE_TEST_SUITE_P(Writers, ReadOnlyFile,
                         ::testing::Values(Writer::Running, Writer::Killed, Writer::Closed,
                                           Writer::Tool),
                         [](const auto& info) {
                             switch (info.param) {
                                 case Writer::Running:
                                     return "WriterRunning";
                                 case Writer::Killed:
                                     return "WriterKilled";
                                 case Writer::Closed:
                                     return "WriterClosed";
                                 case Writer::Tool:
                                     return "RegistryToolOnly";
                             }
                             return "";
                         });

}  // namespace
}  // namespace ossivant::test
