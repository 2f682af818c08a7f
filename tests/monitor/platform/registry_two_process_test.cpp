// Two processes writing into one registry file at the same time lose no
// write, and keep sharing it whatever else either of them does with its files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Other code of the process may open and close the registry's files, as a
// file dialog does to tell their types. The registry keeps its hold on them:
// a second process that comes and goes neither resets the log's index under
// this one nor removes the log on its way out.
TEST(RegistryTwoProcessTest, FilesOpenedAndClosedElsewhereInTheProcessStayShared) {
    TempRegistry temp;
    Registry reg(temp.path());
    HKEY race = 0;
    ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Race", &race), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, race, "mine-0", "before"), ERROR_SUCCESS);
    const std::string log = temp.path() + "-wal";
    const std::string index = temp.path() + "-shm";
    struct stat before {};
    ASSERT_EQ(::stat(index.c_str(), &before), 0);
    for (const std::string& file : {temp.path(), log, index}) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0) << file;
        ::close(fd);
    }

    const pid_t other = startWriter(temp.path(), "other", 20);
    ASSERT_GT(other, 0);
    EXPECT_EQ(exitCode(other), 0);

    struct stat after {};
    ASSERT_EQ(::stat(index.c_str(), &after), 0) << "the index was removed";
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_GE(after.st_size, before.st_size) << "the index was cut";
    ASSERT_EQ(::access(log.c_str(), F_OK), 0) << "the log was removed";
    std::int32_t status = 0;
    EXPECT_EQ(rawValue(reg, race, "other-19", &status), "other-19 data" + std::string(1, '\0'));
    ASSERT_EQ(setString(reg, race, "mine-1", "after"), ERROR_SUCCESS);

    Registry fresh(temp.path());
    HKEY seen = 0;
    ASSERT_EQ(fresh.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Race", &seen), ERROR_SUCCESS);
    const std::vector<std::string> names = valueNames(fresh, seen);
    EXPECT_EQ(names.size(), 22u);
    EXPECT_EQ(names.front(), "mine-0");
    EXPECT_EQ(names.back(), "mine-1");
}

}  // namespace
}  // namespace ossivant::test
