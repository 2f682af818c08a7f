// A store operation cut short by the death of its process leaves each site
// whole or absent: its pointer, its key with every value and the count agree.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "monitor/store/site_store.h"
#include "tests/monitor/store/store_fixture.h"

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

}  // namespace
}  // namespace ossivant::test
