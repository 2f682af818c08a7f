#include "handoff/hand_off.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>

#include "handoff/spool.h"
#include "handoff/vb_quorvane3.h"
#include "tests/handoff/handoff_test_util.h"

namespace {

using handoff_test::ModeOf;
using handoff_test::TempDir;

handoff::MailRequest AlertMail() {
    handoff::MailRequest mail;
    mail.serverHost = "mail.example.org";
    mail.serverPort = 25;
    mail.toList = "boss@example.org";
    mail.fromField = "Ossivant <boss@example.org>";
    mail.replyTo = "boss@example.org";
    mail.subject = "Ossivant Alert";
    mail.bodyText = "Site down\r\n";
    mail.charset = "US";
    mail.mailerName = "Quorvane 3.0";
    return mail;
}

std::vector<std::string> JobFiles(const std::string& dir) {
    std::vector<std::string> jobs;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ignored))
        if (entry.path().filename().string().rfind("job-", 0) == 0)
            jobs.push_back(entry.path().string());
    return jobs;
}

bool NoChildLeft() {
    errno = 0;
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

void WriteExecutable(const std::string& path, const std::string& text, mode_t mode) {
    std::ofstream(path) << text;
    ::chmod(path.c_str(), mode);
}

TEST(HandOffTest, StartsTheSenderDetachedWithTheJobPath) {
    TempDir tmp;
    std::string spool = tmp / "spool";
    ASSERT_TRUE(handoff::MakePrivateDir(spool));
    std::ofstream(spool + "/hold").put('\n');
    handoff_test::ReportListener listener(spool);
    // A descriptor the caller forgot to mark close-on-exec must not reach the sender.
    int stray = ::open((tmp / "stray").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(stray, 0);

    ASSERT_EQ(handoff::HandOffMail(AlertMail(), {spool, FAKE_QUORVANE3}), VBQ3_OK);
    // The sender is still running (it holds), yet nothing is left to reap.
    EXPECT_TRUE(NoChildLeft());
    ::close(stray);

    auto report = listener.Wait();
    ASSERT_FALSE(report.empty());
    pid_t pid = std::stoi(report["pid"]);
    EXPECT_EQ(report["argc"], "2");
    std::vector<std::string> jobs = JobFiles(spool);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(report["job"], jobs[0]);
    EXPECT_NE(std::stoi(report["sid"]), ::getsid(0));
    EXPECT_NE(std::stoi(report["sid"]), pid);  // no session leader: it can never get a terminal
    EXPECT_EQ(report["fds"], "0 1 2 ");
    EXPECT_EQ(report["std"], "/dev/null,/dev/null,/dev/null");
    EXPECT_EQ(::kill(pid, 0), 0);
    std::string stat = handoff_test::ReadFile("/proc/" + report["pid"] + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string state;
    pid_t parent = 0;
    fields >> state >> parent;
    EXPECT_NE(parent, ::getpid());
    ::kill(pid, SIGTERM);
}

TEST(HandOffTest, SpoolFolderIsMadePrivate) {
    TempDir tmp;
    mode_t oldMask = ::umask(0);  // the folder mode must not depend on the caller's umask
    std::string fresh = tmp / "state/ossivant/spool";
    EXPECT_EQ(handoff::HandOffMail(AlertMail(), {fresh, FAKE_QUORVANE3}), VBQ3_OK);
    EXPECT_EQ(ModeOf(fresh), 0700u);
    EXPECT_EQ(ModeOf(tmp / "state"), 0700u);
    std::vector<std::string> jobs = JobFiles(fresh);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(ModeOf(jobs[0]), 0600u);

    std::string wide = tmp / "wide";
    ::mkdir(wide.c_str(), 0777);
    EXPECT_EQ(handoff::HandOffMail(AlertMail(), {wide + "/", FAKE_QUORVANE3}), VBQ3_OK);
    EXPECT_EQ(ModeOf(wide), 0700u);
    ::umask(oldMask);
}

struct Refusal {
    const char* name;
    void (*arrange)(const TempDir&, handoff::MailRequest&, handoff::HandOffPlaces&);
    int32_t code;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class HandOffRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(HandOffRefusalTest, ReturnsItsCodeAndLeavesNoJob) {
    TempDir tmp;
    handoff::MailRequest mail = AlertMail();
    handoff::HandOffPlaces places{tmp / "spool", FAKE_QUORVANE3};
    GetParam().arrange(tmp, mail, places);
    EXPECT_EQ(handoff::HandOffMail(mail, places), GetParam().code);
    EXPECT_TRUE(JobFiles(places.spoolDir).empty());
    EXPECT_TRUE(NoChildLeft());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HandOffRefusalTest,
    ::testing::Values(
        Refusal{"NoServer", [](const TempDir&, auto& m, auto&) { m.serverHost = " "; },
                VBQ3_BAD_MAIL},
        Refusal{"NoRecipient",
                [](const TempDir&, auto& m, auto&) {
                    m.toList = "";
                    m.ccList = " ";
                },
                VBQ3_BAD_MAIL},
        Refusal{"PortTooHigh", [](const TempDir&, auto& m, auto&) { m.serverPort = 65536; },
                VBQ3_BAD_MAIL},
        Refusal{"PortNegative", [](const TempDir&, auto& m, auto&) { m.serverPort = -25; },
                VBQ3_BAD_MAIL},
        Refusal{"OtherCharset", [](const TempDir&, auto& m, auto&) { m.charset = "JIS"; },
                VBQ3_BAD_CHARSET},
        Refusal{"SpoolUnderAFile",
                [](const TempDir& t, auto&, auto& p) {
                    std::ofstream(t / "file") << "x";
                    p.spoolDir = t / "file/spool";
                },
                VBQ3_NO_SPOOL},
        Refusal{"SpoolIsALink",
                [](const TempDir& t, auto&, auto& p) {
                    ::mkdir((t / "real").c_str(), 0700);
                    ::symlink((t / "real").c_str(), (t / "link").c_str());
                    p.spoolDir = t / "link";
                },
                VBQ3_NO_SPOOL},
        Refusal{"SpoolNotCreatable",
                // No one may create folders here, whatever the user's rights.
                [](const TempDir&, auto&, auto& p) { p.spoolDir = "/proc/ossivant/spool"; },
                VBQ3_NO_SPOOL},
        Refusal{"SpoolWithComma", [](const TempDir& t, auto&, auto& p) { p.spoolDir = t / "a,b"; },
                VBQ3_BAD_SPOOL_PATH},
        Refusal{"SpoolTooLong",
                [](const TempDir& t, auto&, auto& p) {
                    p.spoolDir = t / std::string(259 - 11 - t.path().size(), 's');
                },
                VBQ3_BAD_SPOOL_PATH},
        Refusal{"ProgramMissing",
                [](const TempDir& t, auto&, auto& p) { p.program = t / "quorvane3"; },
                VBQ3_NO_PROGRAM},
        Refusal{"ProgramNotExecutable",
                [](const TempDir& t, auto&, auto& p) {
                    p.program = t / "quorvane3";
                    WriteExecutable(p.program, "#!/bin/sh\n", 0644);
                },
                VBQ3_NO_PROGRAM},
        Refusal{"ProgramFailsAtExec",
                [](const TempDir& t, auto&, auto& p) {
                    p.program = t / "quorvane3";
                    WriteExecutable(p.program, "#!/nonexistent/interpreter\n", 0755);
                },
                VBQ3_NO_PROGRAM}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HandOffTest, SpoolPathAtTheLengthLimitIsAccepted) {
    TempDir tmp;
    // A job path of exactly 259 bytes still reaches the sender whole.
    std::string spool = tmp / std::string(259 - 11 - tmp.path().size() - 1, 's');
    EXPECT_EQ(handoff::HandOffMail(AlertMail(), {spool, FAKE_QUORVANE3}), VBQ3_OK);
    std::vector<std::string> jobs = JobFiles(spool);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].size(), 259u);
}

TEST(HandOffTest, ConcurrentHandOffsEachWriteAndStartTheirOwnJob) {
    TempDir tmp;
    std::string spool = tmp / "spool";
    constexpr int kThreads = 8;
    constexpr int kPerThread = 4;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                if (handoff::HandOffMail(AlertMail(), {spool, FAKE_QUORVANE3}) != VBQ3_OK)
                    ++failures[t];
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(JobFiles(spool).size(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_TRUE(NoChildLeft());
}

}  // namespace
