// Two processes writing into one registry file at the same time lose no
// write.
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <set>

#include "monitor/platform/registry.h"
#include "tests/monitor/platform/registry_test_util.h"
#include "tests/support/temp_registry.h"

extern char** environ;

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

pid_t startWriter(const std::string& path, const std::string& prefix, int count) {
    std::string program = REGISTRY_WRITER;
    std::string countText = std::to_string(count);
    char* argv[] = {program.data(), const_cast<char*>(path.c_str()), const_cast<char*>(prefix.c_str()),
                    countText.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    return pid;
}

int exitCode(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(RegistryTwoProcessTest, ConcurrentWritersLoseNoWrite) {
    constexpr int kCount = 1000;
    TempRegistry temp;
    const pid_t first = startWriter(temp.path(), "first", kCount);
    const pid_t second = startWriter(temp.path(), "second", kCount);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(exitCode(first), 0);
    EXPECT_EQ(exitCode(second), 0);

    Registry reg(temp.path());
    HKEY race = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Race", &race), ERROR_SUCCESS);
    const std::vector<std::string> names = valueNames(reg, race);
    EXPECT_EQ(names.size(), 2u * kCount);
    for (const char* prefix : {"first", "second"}) {
        for (int i = 0; i < kCount; ++i) {
            const std::string name = std::string(prefix) + "-" + std::to_string(i);
            std::int32_t status = 0;
            EXPECT_EQ(rawValue(reg, race, name, &status), name + " data" + std::string(1, '\0')) << name;
        }
    }
    EXPECT_EQ(subkeys(reg, race).size(), 2u * kCount / 10);
    // Each writer's values keep the order it wrote them in.
    std::vector<std::string> firstOnly;
    for (const std::string& n : names) {
        if (n.rfind("first-", 0) == 0) firstOnly.push_back(n);
    }
    ASSERT_EQ(firstOnly.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(firstOnly.front(), "first-0");
    EXPECT_EQ(firstOnly.back(), "first-" + std::to_string(kCount - 1));
}

}  // namespace
}  // namespace ossivant::test
