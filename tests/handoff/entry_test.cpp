// Drives the built library through its C entry, loaded as the monitor loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "handoff/spool.h"
#include "handoff/vb_quorvane3.h"
#include "tests/handoff/handoff_test_util.h"

namespace {

using handoff_test::ReadFile;
using handoff_test::ScopedEnv;
using handoff_test::TempDir;
using handoff_test::WordLE;

// A copy of the library with the fake sender beside it as "quorvane3", so
// the library finds its sender the way it does when installed.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const TempDir& tmp) {
        namespace fs = std::filesystem;
        fs::create_directory(tmp / "bin");
        fs::copy_file(VB_QUORVANE3_LIBRARY, tmp / "bin/libvb_quorvane3.so");
        fs::copy_file(FAKE_QUORVANE3, tmp / "bin/quorvane3");
        handle_ = ::dlopen((tmp / "bin/libvb_quorvane3.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_) entry_ = reinterpret_cast<Quorvane3Fn>(::dlsym(handle_, "Quorvane3"));
    }
    ~LoadedLibrary() {
        if (handle_) ::dlclose(handle_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    Quorvane3Fn entry() const { return entry_; }
    void* handle() const { return handle_; }

private:
    void* handle_ = nullptr;
    Quorvane3Fn entry_ = nullptr;
};

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(handoff::MakePrivateDir(spool_));
        ASSERT_NE(library_.entry(), nullptr) << ::dlerror();
    }

    // Makes one call and returns the bytes of the job the sender was started on.
    template <typename... Args>
    std::string JobOfCall(Args... args) {
        handoff_test::ReportListener listener(spool_);
        int32_t code = library_.entry()(args...);
        EXPECT_EQ(code, VBQ3_OK);
        if (code != VBQ3_OK) return {};
        auto report = listener.Wait();
        EXPECT_EQ(report["argc"], "2");
        return ReadFile(report["job"]);
    }

    TempDir tmp_;
    std::string spool_ = tmp_ / "spool";
    ScopedEnv spoolEnv_{"VB_QUORVANE3_SPOOL", spool_};
    ScopedEnv programEnv_{"VB_QUORVANE3_PROGRAM", std::nullopt};
    LoadedLibrary library_{tmp_};
};

TEST_F(EntryTest, AlertCallWritesThisExactJob) {
    std::string job =
        JobOfCall("", "mail.example.org", 25, "boss@example.org", "", "Ossivant <boss@example.org>",
                  "boss@example.org", "Ossivant Alert",
                  "Site www.example.org is down (caf\xC3\xA9 \xE2\x82\xAC)\r\nSecond line\r\n", "",
                  0, 0, "US", "Quorvane 3.0");

    std::string control = spool_ + ",2,Quorvane 3.0";
    std::string expected;
    expected += WordLE(0) + WordLE(0);                 // charset code (ANSI), dispose flag
    expected += WordLE(96) + WordLE(16) + WordLE(25);  // serverHost, serverPort
    expected += WordLE(112) + WordLE(0) + WordLE(0);   // spareHost, sparePort
    expected += WordLE(112) + WordLE(16);              // toList
    expected += WordLE(128) + WordLE(0);               // ccList
    expected += WordLE(128) + WordLE(27);              // fromField
    expected += WordLE(155) + WordLE(16);              // replyTo
    expected += WordLE(171) + WordLE(14);              // subject
    expected += WordLE(185) + WordLE(52);              // bodyText
    expected += WordLE(237) + WordLE(0);               // attachmentList
    expected += WordLE(237) + WordLE(static_cast<uint32_t>(control.size()));  // controlField
    expected += "mail.example.org";
    expected += "boss@example.org";
    expected += "Ossivant <boss@example.org>";
    expected += "boss@example.org";
    expected += "Ossivant Alert";
    expected += "Site www.example.org is down (caf\xE9 ?)\r\nSecond line\r\n";
    expected += control;
    EXPECT_EQ(job, expected);
}

TEST_F(EntryTest, EachArgumentFillsItsField) {
    std::string job =
        JobOfCall("spare.example.org", "10.0.0.7", 587, "T\xC3\xBC <t@x>", "c@x", "F <f@x>", "r@x",
                  "S\xC3\xA9", "B", "/tmp/r\xC3\xA9.gif", 1, 99, "us", "M\xC3\xA9, 2");
    ASSERT_GE(job.size(), 96u);
    auto word = [&](std::size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(job[at + i]);
        return value;
    };
    auto text = [&](std::size_t at) { return job.substr(word(at), word(at + 4)); };
    EXPECT_EQ(word(0), 0u);
    EXPECT_EQ(word(4), 1u);
    EXPECT_EQ(text(8), "10.0.0.7");
    EXPECT_EQ(word(16), 587u);
    EXPECT_EQ(text(20), "spare.example.org");
    EXPECT_EQ(word(28), 99u);
    EXPECT_EQ(text(32), "T\xFC <t@x>");
    EXPECT_EQ(text(40), "c@x");
    EXPECT_EQ(text(48), "F <f@x>");
    EXPECT_EQ(text(56), "r@x");
    EXPECT_EQ(text(64), "S\xE9");
    EXPECT_EQ(text(72), "B");
    EXPECT_EQ(text(80), "/tmp/r\xC3\xA9.gif");  // a path stays as the file system names it
    EXPECT_EQ(text(88), spool_ + ",2,M\xE9  2");
}

TEST_F(EntryTest, NullStringsCountAsEmpty) {
    std::string job = JobOfCall(nullptr, "h", 25, "t@x", nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, 0, 0, nullptr, nullptr);
    ASSERT_EQ(job.size(), 96u + 1 + 3 + spool_.size() + 3);
    EXPECT_EQ(job.substr(96), "ht@x" + spool_ + ",2,");
    EXPECT_EQ(library_.entry()(nullptr, nullptr, 25, "t@x", nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, 0, 0, nullptr, nullptr),
              VBQ3_BAD_MAIL);
}

TEST_F(EntryTest, ProgramOverrideWins) {
    ScopedEnv program("VB_QUORVANE3_PROGRAM", tmp_ / "missing");
    EXPECT_EQ(library_.entry()("", "h", 25, "t@x", "", "", "", "s", "b", "", 0, 0, "US", ""),
              VBQ3_NO_PROGRAM);
}

// The secure entry writes the plain entry's job and then the extension.
TEST_F(EntryTest, SecureCallAddsTheExtensionBehindThePlainJob) {
    std::string plain = JobOfCall("", "smtp.example.org", 587, "t@x", "", "f@x", "", "S", "B", "",
                                  0, 0, "US", "M");
    auto secure = reinterpret_cast<Quorvane3SecureFn>(::dlsym(library_.handle(), "Quorvane3Secure"));
    ASSERT_NE(secure, nullptr);
    handoff_test::ReportListener listener(spool_);
    ASSERT_EQ(secure("", "smtp.example.org", 587, "t@x", "", "f@x", "", "S", "B", "", 0, 0, "US",
                     "M", 1, "ops@example.org", "p\xC3\xA4ss"),
              VBQ3_OK);
    auto report = listener.Wait();
    EXPECT_EQ(report["argc"], "2");  // the job path alone: no password on the command line
    const std::string job = ReadFile(report["job"]);
    const std::string extension = WordLE(1) + WordLE(15) + "ops@example.org" + WordLE(5) +
                                  "p\xC3\xA4ss";  // the login as typed, UTF-8
    EXPECT_EQ(job, plain + extension + WordLE(static_cast<uint32_t>(plain.size())) +
                       WordLE(static_cast<uint32_t>(extension.size())) + "Q3X1");

    for (int32_t mode : {-1, 3}) {
        EXPECT_EQ(secure("", "h", 25, "t@x", "", "", "", "", "", "", 0, 0, "US", "", mode, "", ""),
                  VBQ3_BAD_MAIL)
            << mode;
    }
}

TEST(SpoolDirTest, FollowsTheOverrideThenTheStateFolder) {
    {
        ScopedEnv spool("VB_QUORVANE3_SPOOL", "/var/spool/q");
        ScopedEnv state("XDG_STATE_HOME", "/state");
        EXPECT_EQ(handoff::DefaultSpoolDir(), "/var/spool/q");
    }
    ScopedEnv spool("VB_QUORVANE3_SPOOL", "");
    ScopedEnv home("HOME", "/home/op");
    {
        ScopedEnv state("XDG_STATE_HOME", "/state");
        EXPECT_EQ(handoff::DefaultSpoolDir(), "/state/ossivant/spool");
    }
    {
        ScopedEnv state("XDG_STATE_HOME", "relative");
        EXPECT_EQ(handoff::DefaultSpoolDir(), "/home/op/.local/state/ossivant/spool");
    }
    ScopedEnv state("XDG_STATE_HOME", std::nullopt);
    EXPECT_EQ(handoff::DefaultSpoolDir(), "/home/op/.local/state/ossivant/spool");
}

}  // namespace

namespace {

template <typename Fn>
Fn Entry(void* handle, const char* name) {
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

// A tracked hand-off names its job; the job asks for the outcome; a resend
// starts the sender on that very job after removing the old outcome, and a
// job that is gone cannot be resent.
TEST_F(EntryTest, TrackedJobIsNamedAndCanBeResentUntilItIsGone) {
    auto tracked = Entry<Quorvane3TrackedFn>(library_.handle(), "Quorvane3Tracked");
    auto resend = Entry<Quorvane3ResendFn>(library_.handle(), "Quorvane3Resend");
    ASSERT_NE(tracked, nullptr);
    ASSERT_NE(resend, nullptr);

    char small[16] = {};
    EXPECT_EQ(tracked("", "h", 25, "t@x", "", "", "", "", "", "", 0, 0, "US", "", 0, "", "", small,
                      sizeof small),
              VBQ3_JOB_NOT_WRITTEN);
    EXPECT_TRUE(std::filesystem::is_empty(spool_));

    char jobPath[260] = {};
    std::string job;
    {
        handoff_test::ReportListener listener(spool_);
        ASSERT_EQ(tracked("", "h", 25, "t@x", "", "", "", "", "", "", 0, 0, "US", "", 0, "", "",
                          jobPath, sizeof jobPath),
                  VBQ3_OK);
        auto report = listener.Wait();
        EXPECT_EQ(report["job"], jobPath);
        job = ReadFile(jobPath);
    }
    ASSERT_GE(job.size(), 4u);
    EXPECT_EQ(job.substr(job.size() - 4), "Q3X2");
    EXPECT_EQ(std::filesystem::path(jobPath).parent_path(), spool_);

    const std::string outcome = std::string(jobPath) + ".outcome";
    std::ofstream(outcome) << "Q3OUTCOME 1\nstate=may-pass\nfinished=1\ncause=421 busy\n";
    {
        handoff_test::ReportListener listener(spool_);
        EXPECT_EQ(resend(jobPath), VBQ3_OK);
        EXPECT_EQ(listener.Wait()["job"], jobPath);
    }
    EXPECT_FALSE(std::filesystem::exists(outcome));

    const std::string elsewhere = tmp_ / "job-elsewhere";
    std::filesystem::copy_file(jobPath, elsewhere);
    std::filesystem::remove(jobPath);
    for (const std::string& path : {std::string(jobPath), elsewhere, spool_, std::string()}) {
        EXPECT_EQ(resend(path.c_str()), VBQ3_NO_JOB) << path;
    }
    EXPECT_EQ(resend(nullptr), VBQ3_NO_JOB);
}

// The spool and the temporary folder on a small file system of the test's
// own, filled to the last byte.
class FullDiskEntryTest : public EntryTest {
protected:
    void SetUp() override {
        std::filesystem::create_directory(disk_);
        const std::string command = "mount -t tmpfs -o size=64k tmpfs " + disk_ + " 2>/dev/null";
        if (std::system(command.c_str()) != 0) {
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
        }
        mounted_ = true;
        ::setenv("TMPDIR", disk_.c_str(), 1);
        ASSERT_TRUE(handoff::MakePrivateDir(fullSpool_));
        std::ofstream filler(disk_ + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {}
        // Bytes that fit in the last partial block.
        while (filler.put('x') && filler.flush()) {}
    }
    void TearDown() override {
        ::unsetenv("TMPDIR");
        if (mounted_) std::system(("umount " + disk_).c_str());
        std::filesystem::remove(disk_);
    }

    std::string disk_ = tmp_ / "disk";
    std::string fullSpool_ = disk_ + "/spool";
    bool mounted_ = false;
};

TEST_F(FullDiskEntryTest, TrackedJobOnAFullDiskIsNotWrittenAndLeavesNothing) {
    auto tracked = Entry<Quorvane3TrackedFn>(library_.handle(), "Quorvane3Tracked");
    ASSERT_NE(tracked, nullptr);
    ScopedEnv spool("VB_QUORVANE3_SPOOL", fullSpool_);
    char jobPath[260] = {};
    const std::string body(8192, 'b');
    EXPECT_EQ(tracked("", "h", 25, "t@x", "", "", "", "", body.c_str(), "", 0, 0, "US", "", 0, "",
                      "", jobPath, sizeof jobPath),
              VBQ3_JOB_NOT_WRITTEN);
    EXPECT_STREQ(jobPath, "");
    EXPECT_TRUE(std::filesystem::is_empty(fullSpool_));
}

}  // namespace
