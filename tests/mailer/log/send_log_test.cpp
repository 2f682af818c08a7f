#include "mailer/log/send_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "mailer/job/mail_job.h"
#include "mailer/log/configuration.h"
#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

std::tm Date(int year, int month, int day, int hour = 19, int minute = 52, int second = 45) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(test::ReadAll(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(SendLogFileName, NamesTheWeekOfTheMonth) {
    EXPECT_EQ(SendLogFileName(Date(1998, 12, 22)), "19981204.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 1)), "20260301.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 6)), "20260301.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 7)), "20260302.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 13)), "20260302.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 14)), "20260303.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 28)), "20260305.log");
    EXPECT_EQ(SendLogFileName(Date(2026, 3, 31)), "20260305.log");
}

TEST(SendLogLine, HasTheExactFormatForEachOutcome) {
    const std::tm when = Date(1998, 12, 22);
    EXPECT_EQ(SendLogLine(SendOutcome::kDelivered, "ops@example.com", "Ann <a@example.com>",
                          "Weekly report", when),
              "1998/12/22 19:52:45    Succeeded to send a mail [From:ops@example.com, "
              "To:Ann <a@example.com>, Title:Weekly report, Error:RESULT_SUCCESS]\r\n");
    EXPECT_EQ(SendLogLine(SendOutcome::kFailed, "s", "t", "None", Date(2026, 1, 2, 3, 4, 5)),
              "2026/01/02 03:04:05    Failed to send a mail [From:s, To:t, Title:None, "
              "Error:RESULT_FAILURE]\r\n");
    EXPECT_EQ(SendLogLine(SendOutcome::kAborted, "", "", "x", when),
              "1998/12/22 19:52:45    Failed to send a mail [From:, To:, Title:x, "
              "Error:RESULT_ABORT]\r\n");
}

TEST(SendLogLine, AFailureNamesItsCauseAndOtherOutcomesNone) {
    const std::tm when = Date(2026, 1, 2, 3, 4, 5);
    EXPECT_EQ(SendLogLine(SendOutcome::kFailed, "s", "t", "x", when,
                          "the server refused AUTH: 535 5.7.8 Authentication\r\ncredentials invalid"),
              "2026/01/02 03:04:05    Failed to send a mail [From:s, To:t, Title:x, "
              "Error:RESULT_FAILURE, Cause:the server refused AUTH: 535 5.7.8 Authentication  "
              "credentials invalid]\r\n");
    EXPECT_EQ(SendLogLine(SendOutcome::kDelivered, "s", "t", "x", when, "unused"),
              SendLogLine(SendOutcome::kDelivered, "s", "t", "x", when));
    EXPECT_EQ(SendLogLine(SendOutcome::kAborted, "s", "t", "x", when, "unused"),
              SendLogLine(SendOutcome::kAborted, "s", "t", "x", when));
}

TEST(SendLogLine, LineBreaksInsideTextsCannotSplitTheLine) {
    EXPECT_EQ(SendLogLine(SendOutcome::kFailed, "s", "a@x,\r\nb@x", std::string("T\nz\0rest", 8),
                          Date(1998, 12, 22)),
              "1998/12/22 19:52:45    Failed to send a mail [From:s, To:a@x,  b@x, Title:T z, "
              "Error:RESULT_FAILURE]\r\n");
}

TEST(OutcomeFromNotice, MapsSessionResults) {
    EXPECT_EQ(OutcomeFromNotice(0), SendOutcome::kAborted);
    EXPECT_EQ(OutcomeFromNotice(1), SendOutcome::kDelivered);
    EXPECT_EQ(OutcomeFromNotice(2), SendOutcome::kFailed);
}

struct LevelRow {
    const char* name;
    int32_t jobLevel;
    int configured;
    SendOutcome outcome;
    bool logged;
};
class SendLogLevels : public testing::TestWithParam<LevelRow> {};

TEST_P(SendLogLevels, DecideWhatIsLogged) {
    test::ScratchDir dir;
    SendLog log(dir.path(), GetParam().jobLevel, [&] { return GetParam().configured; });
    log.Write(GetParam().outcome, "s", "t", "title", Date(1998, 12, 22));
    EXPECT_EQ(Lines(dir.File("19981204.log")).size(), GetParam().logged ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SendLogLevels,
    testing::Values(LevelRow{"ZeroFailure", 0, 2, SendOutcome::kFailed, false},
                    LevelRow{"OneFailure", 1, 0, SendOutcome::kFailed, true},
                    LevelRow{"OneAbort", 1, 0, SendOutcome::kAborted, true},
                    LevelRow{"OneSuccess", 1, 2, SendOutcome::kDelivered, false},
                    LevelRow{"TwoSuccess", 2, 0, SendOutcome::kDelivered, true},
                    LevelRow{"NegativeSuccess", -5, 0, SendOutcome::kDelivered, true},
                    LevelRow{"ConfiguredZero", -1, 0, SendOutcome::kFailed, false},
                    LevelRow{"ConfiguredOneSuccess", -1, 1, SendOutcome::kDelivered, false},
                    LevelRow{"ConfiguredOneFailure", -1, 1, SendOutcome::kFailed, true},
                    LevelRow{"ConfiguredMinusOne", -1, -1, SendOutcome::kDelivered, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SendLog, ReadsTheConfiguredLevelAtMostOnceAndAppends) {
    test::ScratchDir dir;
    int reads = 0;
    SendLog log(dir.path(), -1, [&] { return ++reads, 2; });
    log.Write(SendOutcome::kDelivered, "first", "t", "x", Date(1998, 12, 22));
    log.Write(SendOutcome::kFailed, "second", "t", "x", Date(1998, 12, 22));
    EXPECT_EQ(reads, 1);
    const auto lines = Lines(dir.File("19981204.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("[From:first,"), std::string::npos);
    EXPECT_NE(lines[1].find("[From:second,"), std::string::npos);

    SendLog given(dir.path(), 1, [&] { return ++reads, 2; });
    given.Write(SendOutcome::kFailed, "s", "t", "x", Date(1998, 12, 22));
    EXPECT_EQ(reads, 1) << "a level from the job needs no configuration";
}

TEST(SendLog, UnwritableFolderLeavesNoTraceAndNoError) {
    test::ScratchDir dir;
    SendLog log(dir.File("missing/folder"), 2);
    log.Write(SendOutcome::kFailed, "s", "t", "x");
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

TEST(WriteSendLog, TakesTheLevelFromTheConfigurationFile) {
    test::ScratchDir dir;
    MailJob job;
    job.logDir = dir.path();
    job.logLevel = -1;
    ::setenv("QUORVANE3_INI", dir.File("absent.ini").c_str(), 1);
    WriteSendLog(job, SendOutcome::kFailed, "s", "t", "x");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no file: level 0";
    EXPECT_EQ(ReadConfiguredMailerName(), "");

    const std::string ini =
        dir.Write("q3.ini", "[Program]\nLogLevel = 1\nMailer = Site Mailer 2\n");
    ::setenv("QUORVANE3_INI", ini.c_str(), 1);
    WriteSendLog(job, SendOutcome::kDelivered, "s", "t", "x");
    WriteSendLog(job, SendOutcome::kFailed, "s", "t", "x");
    EXPECT_EQ(ReadConfiguredMailerName(), "Site Mailer 2");
    ::unsetenv("QUORVANE3_INI");

    std::size_t logged = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().extension() != ".log") continue;
        const auto lines = Lines(entry.path());
        logged += lines.size();
        EXPECT_NE(lines.front().find("Error:RESULT_FAILURE]"), std::string::npos);
    }
    EXPECT_EQ(logged, 1u);
}

TEST(SendLog, TwentyWritersAtOnceLeaveTwentyWholeLines) {
    test::ScratchDir dir;
    constexpr int kWriters = 20;
    // Every writer waits on the gate until all are started, then writes at once.
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    const std::string longTo(150, 't');
    std::vector<pid_t> writers;
    for (int i = 0; i < kWriters; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            while (::read(gate[0], &byte, 1) < 0) {
            }
            SendLog log(dir.path(), 2);
            log.Write(SendOutcome::kDelivered, "writer" + std::to_string(i), longTo,
                      std::string(100, 'a' + i), Date(1998, 12, 22));
            ::_exit(0);
        }
        writers.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);  // opens the gate
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const std::string content = test::ReadAll(dir.File("19981204.log"));
    std::set<std::string> expected;
    for (int i = 0; i < kWriters; ++i) {
        expected.insert(SendLogLine(SendOutcome::kDelivered, "writer" + std::to_string(i), longTo,
                                    std::string(100, 'a' + i), Date(1998, 12, 22)));
    }
    std::set<std::string> found;
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t end = content.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "a line without its end";
        found.insert(content.substr(start, end + 2 - start));
        start = end + 2;
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(content.size(), [&] {
        std::size_t total = 0;
        for (const auto& line : expected) total += line.size();
        return total;
    }());
}

}  // namespace
}  // namespace quorvane3
