// The registry over files it cannot use: garbage, a truncated or foreign
// database, a read-only file, a file locked by another process. Every call
// answers with a status code and the file is never changed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "monitor/platform/registry.h"
#include "tests/monitor/platform/registry_test_util.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Fills a store with enough sites to span several pages of the file.
void fillStore(const std::string& path) {
    Registry reg(path);
    HKEY address = 0;
    ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Address", &address),
              ERROR_SUCCESS);
    for (int i = 0; i < 200; ++i) {
        HKEY site = 0;
        ASSERT_EQ(reg.CreateKeyEx(address, "site" + std::to_string(i), &site), ERROR_SUCCESS);
        ASSERT_EQ(setString(reg, site, "URL", "www.example" + std::to_string(i) + ".com/a/longer/path"),
                  ERROR_SUCCESS);
        reg.CloseKey(site);
    }
}

// Every kind of call, reading and writing; returns their statuses.
std::vector<std::int32_t> tryEveryCall(Registry& reg) {
    std::vector<std::int32_t> statuses;
    HKEY key = 0;
    std::string name;
    std::uint32_t size = 0;
    statuses.push_back(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software", &key));
    statuses.push_back(reg.EnumKey(HKEY_LOCAL_MACHINE, 0, &name));
    statuses.push_back(reg.EnumValue(HKEY_LOCAL_MACHINE, 0, &name, nullptr));
    statuses.push_back(reg.QueryValueEx(HKEY_LOCAL_MACHINE, "v", nullptr, nullptr, &size));
    statuses.push_back(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\New", &key));
    statuses.push_back(setDword(reg, HKEY_LOCAL_MACHINE, "v", 1));
    statuses.push_back(reg.DeleteValue(HKEY_LOCAL_MACHINE, "v"));
    statuses.push_back(reg.DeleteKey(HKEY_LOCAL_MACHINE, "Software"));
    return statuses;
}

struct BadFile {
    const char* label;
    std::function<void(const std::string& path)> make;
};

// Test names in CTest show the row label, not the bytes of the row.
void PrintTo(const BadFile& row, std::ostream* os) { *os << row.label; }

class RegistryBadFileTest : public ::testing::TestWithParam<BadFile> {};

TEST_P(RegistryBadFileTest, EveryCallFailsWithBadDbAndTheFileStaysAsItWas) {
    TempRegistry temp;
    GetParam().make(temp.path());
    const std::string before = readFile(temp.path());

    Registry reg(temp.path());
    const std::vector<std::int32_t> statuses = tryEveryCall(reg);
    EXPECT_EQ(statuses, std::vector<std::int32_t>(statuses.size(), ERROR_BADDB));
    EXPECT_EQ(readFile(temp.path()), before);
    EXPECT_NE(StatusText(ERROR_BADDB).find("not a registry"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RegistryBadFileTest,
    ::testing::Values(
        BadFile{"Garbage",
                [](const std::string& path) {
                    std::string bytes;
                    for (int i = 0; i < 5000; ++i) bytes.push_back(static_cast<char>(i * 37 + 11));
                    writeFile(path, bytes);
                }},
        BadFile{"TextFile", [](const std::string& path) { writeFile(path, "[HKEY_LOCAL_MACHINE\\Software]\n"); }},
        BadFile{"TruncatedToAWholePage",
                [](const std::string& path) {
                    fillStore(path);
                    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 4096 / 2 * 4096);
                }},
        BadFile{"TruncatedMidPage",
                [](const std::string& path) {
                    fillStore(path);
                    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 1000);
                }},
        BadFile{"HeaderOnly",
                [](const std::string& path) {
                    fillStore(path);
                    std::filesystem::resize_file(path, 100);
                }},
        // A database of another program: its application id is not ours.
        BadFile{"ForeignDatabase",
                [](const std::string& path) {
                    fillStore(path);
                    std::string bytes = readFile(path);
                    bytes.replace(68, 4, "XYZW");
                    writeFile(path, bytes);
                }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegistryFileTest, AnEmptyFileBecomesAStore) {
    TempRegistry temp;
    writeFile(temp.path(), "");
    Registry reg(temp.path());
    HKEY key = 0;
    EXPECT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
}

// The file holds the operator's private site list.
TEST(RegistryFileTest, ANewFileAndItsFolderAreTheOwnersAloneAnOldFileKeepsItsMode) {
    using std::filesystem::perms;
    const auto modeOf = [](const std::string& path) {
        return std::filesystem::status(path).permissions() & perms::mask;
    };
    const mode_t savedMask = umask(022);
    TempDir dir;
    const std::string fresh = dir.file("config/ossivant/registry.db");
    {
        Registry reg(fresh);
        HKEY key = 0;
        ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(dir.file("config/ossivant")), perms::owner_all);
        for (const char* suffix : {"", "-wal", "-shm"})
            EXPECT_EQ(modeOf(fresh + suffix), perms::owner_read | perms::owner_write) << suffix;
    }

    const std::string old = dir.file("old.db");
    writeFile(old, "");
    std::filesystem::permissions(
        old, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    {
        Registry reg(old);
        HKEY key = 0;
        ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
    }
    EXPECT_EQ(modeOf(old),
              perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    umask(savedMask);
}

TEST(RegistryFileTest, AFileThatCannotBeCreatedGivesCantOpen) {
    TempDir dir;
    writeFile(dir.file("plain"), "x");
    Registry reg(dir.file("plain/registry.db"));  // its folder is a file
    const std::vector<std::int32_t> statuses = tryEveryCall(reg);
    EXPECT_EQ(statuses, std::vector<std::int32_t>(statuses.size(), ERROR_CANTOPEN));
}

// Runs `body` in a child process that cannot write what only root may
// write (the tests may run as root, who could write a read-only file);
// returns the statuses the body collected.
std::vector<std::int32_t> runUnprivileged(const std::function<std::vector<std::int32_t>()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        const std::vector<std::int32_t> statuses = body();
        const auto bytes = static_cast<ssize_t>(statuses.size() * sizeof(std::int32_t));
        _exit(write(fds[1], statuses.data(), static_cast<std::size_t>(bytes)) == bytes ? 0 : 4);
    }
    close(fds[1]);
    std::vector<std::int32_t> statuses;
    std::int32_t status = 0;
    while (read(fds[0], &status, sizeof status) == sizeof status) statuses.push_back(status);
    close(fds[0]);
    int exitStatus = 0;
    waitpid(pid, &exitStatus, 0);
    EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
    return statuses;
}

TEST(RegistryFileTest, AReadOnlyFileIsReadButNeverWritten) {
    TempRegistry temp;
    {
        Registry reg(temp.path());
        HKEY key = 0;
        ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kept", &key), ERROR_SUCCESS);
        ASSERT_EQ(setDword(reg, key, "Value", 7), ERROR_SUCCESS);
    }
    namespace fs = std::filesystem;
    fs::permissions(temp.path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(temp.dir().path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    const std::string before = readFile(temp.path());

    const std::vector<std::int32_t> statuses = runUnprivileged([&] {
        Registry reg(temp.path());
        std::vector<std::int32_t> result;
        HKEY key = 0;
        result.push_back(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kept", &key));
        std::int32_t status = 0;
        result.push_back(rawValue(reg, key, "value", &status) == std::string("\x07\0\0\0", 4) ? status : -1);
        result.push_back(setDword(reg, key, "Value", 8));
        result.push_back(reg.CreateKeyEx(key, "Sub", &key));
        result.push_back(reg.DeleteValue(key, "Value"));
        result.push_back(reg.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Kept"));
        return result;
    });
    EXPECT_EQ(statuses, (std::vector<std::int32_t>{ERROR_SUCCESS, ERROR_SUCCESS, ERROR_CANTWRITE, ERROR_CANTWRITE,
                                                   ERROR_CANTWRITE, ERROR_CANTWRITE}));
    EXPECT_EQ(readFile(temp.path()), before);
}

// Another process holding a lock on the whole registry file until told to
// let go. It can only take the lock while no one has the store open.
class FileLocker {
public:
    explicit FileLocker(const std::string& path) {
        int locked[2], release[2];
        if (pipe(locked) != 0 || pipe(release) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(locked[0]);
            close(release[1]);
            const int fd = open(path.c_str(), O_RDWR);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;  // start 0, length 0: the whole file
            if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) _exit(2);
            if (write(locked[1], "L", 1) != 1) _exit(2);
            char command = 0;
            if (read(release[0], &command, 1) == 1 && command == 'D') {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));  // hold on a little longer
            }
            _exit(0);  // ending the process drops the lock
        }
        close(locked[1]);
        close(release[0]);
        releaseFd_ = release[1];
        char ack = 0;
        ok_ = read(locked[0], &ack, 1) == 1;
        close(locked[0]);
    }
    ~FileLocker() { release('R'); }
    bool locked() const { return ok_; }
    // 'R' releases at once, 'D' a little later; returns when the order is sent.
    void releaseLater() { send('D'); }
    // Returns when the lock is gone.
    void release(char command = 'R') {
        send(command);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    void send(char command) {
        if (releaseFd_ >= 0) {
            [[maybe_unused]] auto sent = write(releaseFd_, &command, 1);
            close(releaseFd_);
            releaseFd_ = -1;
        }
    }
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool ok_ = false;
};

TEST(RegistryFileTest, ALockHeldTooLongGivesCantReadOrCantWriteThenTheStoreServesAgain) {
    TempRegistry temp;
    fillStore(temp.path());
    const std::string before = readFile(temp.path());

    FileLocker locker(temp.path());
    ASSERT_TRUE(locker.locked());
    Registry reg(temp.path(), 100);  // opened while the lock is held
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::int32_t> statuses = tryEveryCall(reg);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(statuses, (std::vector<std::int32_t>{ERROR_CANTREAD, ERROR_CANTREAD, ERROR_CANTREAD, ERROR_CANTREAD,
                                                   ERROR_CANTWRITE, ERROR_CANTWRITE, ERROR_CANTWRITE,
                                                   ERROR_CANTWRITE}));
    EXPECT_EQ(readFile(temp.path()), before);

    locker.release();
    HKEY key = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Address", &key), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(reg, key).size(), 200u);
    EXPECT_EQ(setDword(reg, key, "After", 1), ERROR_SUCCESS);
}

TEST(RegistryFileTest, ACallWaitsForAShortLockToEnd) {
    TempRegistry temp;
    fillStore(temp.path());

    FileLocker locker(temp.path());
    ASSERT_TRUE(locker.locked());
    locker.releaseLater();
    Registry reg(temp.path());
    EXPECT_EQ(setDword(reg, HKEY_CURRENT_USER, "Waited", 1), ERROR_SUCCESS);
    std::int32_t status = 0;
    rawValue(reg, HKEY_CURRENT_USER, "Waited", &status);
    EXPECT_EQ(status, ERROR_SUCCESS);
}

}  // namespace
}  // namespace ossivant::test
