// One whole run of the sender in this process, against the scripted server.
#include "mailer/job/sender_flow.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "handoff/mail_job_writer.h"
#include "mailer/job/copy_coordination.h"
#include "mailer/job/run_record.h"
#include "mailer/job/timeout_config.h"
#include "mailer/sys/named_mutex.h"
#include "tests/mailer/sender_scratch.h"
#include "tests/support/fake_smtp_server.h"

namespace quorvane3 {
namespace {

using namespace std::chrono_literals;
using test::ReadAll;
using test::ScratchDir;
using testsupport::FakeSmtpServer;

class SenderFlowTest : public test::SenderScratch {
protected:
    handoff::MailJobFields Job(uint16_t port) const {
        handoff::MailJobFields job;
        job.serverHost = "127.0.0.1";
        job.serverPort = port;
        job.toList = "Ann <ann@x.org>";
        job.ccList = "cy@x.org";
        job.fromField = "Monitor <mon@x.org>";
        job.subject = "Weekly report";
        job.bodyText = "Hello\r\n.\r\n";
        job.controlField = logs_.path() + ",2,Mailer X";
        return job;
    }

    std::size_t MessageFilesLeft() const {
        std::size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(tmp_.path())) {
            if (entry.path().filename().string().rfind("MAIL", 0) == 0) ++n;
        }
        return n;
    }

    static bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

    SenderOptions options_;
};

TEST_F(SenderFlowTest, DeliversLogsOnceAndCleansUp) {
    FakeSmtpServer server;
    server.Dialogue(2).Start();
    const std::string job = WriteJob(Job(server.Port()));

    EXPECT_EQ(RunSender(job, options_), 0);
    ASSERT_TRUE(server.WaitFinished(5s));

    const std::string sent = server.Received();
    EXPECT_NE(
        sent.find("MAIL FROM:<mon@x.org>\r\nRCPT TO:<ann@x.org>\r\nRCPT TO:<cy@x.org>\r\nDATA\r\n"),
        std::string::npos);
    EXPECT_NE(sent.find("\r\nSubject: Weekly report\r\n"), std::string::npos);
    EXPECT_NE(sent.find("\r\nX-Mailer: Mailer X\r\n"), std::string::npos);
    EXPECT_NE(sent.find("\r\n\r\nHello\r\n..\r\n\r\n.\r\nQUIT\r\n"), std::string::npos);

    const std::string log = LogText();
    EXPECT_NE(log.find("    Succeeded to send a mail [From:mon@x.org, To:Ann <ann@x.org>, "
                       "Title:Weekly report, Error:RESULT_SUCCESS]\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    EXPECT_EQ(ReadAll(RunRecordPath(logs_.path())).size(), 4u);
    EXPECT_FALSE(Exists(job));
    EXPECT_EQ(MessageFilesLeft(), 0u);
}

TEST_F(SenderFlowTest, RefusedRecipientIsLoggedAsFailure) {
    FakeSmtpServer server;
    server.Send("220 hi\r\n").ReadLine().Send("250 ok\r\n").ReadLine().Send("250 ok\r\n");
    server.ReadLine().Send("550 no such user\r\n").ReadLine().Send("221 bye\r\n").Start();
    const std::string job = WriteJob(Job(server.Port()));

    EXPECT_EQ(RunSender(job, options_), 0);
    EXPECT_NE(LogText().find("Failed to send a mail [From:mon@x.org, To:Ann <ann@x.org>, "
                             "Title:Weekly report, Error:RESULT_FAILURE]"),
              std::string::npos);
    EXPECT_FALSE(Exists(job));
    EXPECT_EQ(MessageFilesLeft(), 0u);
}

TEST_F(SenderFlowTest, SilentServerTimesOutAndIsLoggedAsFailure) {
    FakeSmtpServer server;
    server.Stall().Start();  // accepts, then never says a word
    const std::string job = WriteJob(Job(server.Port()));
    options_.timeouts = SmtpTimeouts::Uniform(200ms);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunSender(job, options_), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_NE(LogText().find("Error:RESULT_FAILURE]"), std::string::npos);
    EXPECT_FALSE(Exists(job));
}

// A plain body goes out line by line as it is, so a line the session cannot
// send fails the mail rather than going out changed.
TEST_F(SenderFlowTest, BodyLineOf999CharactersFailsTheMail) {
    for (const std::size_t length : {998u, 999u}) {
        FakeSmtpServer server;
        server.Dialogue(2).Start();
        handoff::MailJobFields fields = Job(server.Port());
        fields.bodyText = "start\r\n" + std::string(length, 'x') + "\r\nend\r\n";
        fields.subject = "Line " + std::to_string(length);
        EXPECT_EQ(RunSender(WriteJob(fields), options_), 0);
        ASSERT_TRUE(server.WaitFinished(5s));
        const bool sent =
            server.Received().find(std::string(length, 'x') + "\r\n") != std::string::npos;
        EXPECT_EQ(sent, length == 998u) << length;
    }
    const std::string log = LogText();
    EXPECT_NE(log.find("Title:Line 998, Error:RESULT_SUCCESS]"), std::string::npos) << log;
    EXPECT_NE(log.find("Title:Line 999, Error:RESULT_FAILURE]"), std::string::npos) << log;
}

TEST_F(SenderFlowTest, NoRecipientSendsAndLogsNothingButCleansUp) {
    handoff::MailJobFields fields = Job(1);
    fields.toList = " , ";
    fields.ccList = "";
    fields.attachmentList = jobs_.Write("a.bin", "data");
    fields.disposeFlag = 1;
    const std::string job = WriteJob(fields);

    EXPECT_EQ(RunSender(job, options_), 0);
    EXPECT_EQ(LogText(), "");
    EXPECT_FALSE(Exists(job));
    EXPECT_FALSE(Exists(fields.attachmentList));
    EXPECT_EQ(ReadAll(RunRecordPath(logs_.path())).size(), 4u);
}

TEST_F(SenderFlowTest, RunsThatStopBeforeSendingKeepTheJob) {
    EXPECT_EQ(RunSender("", options_), 0);
    EXPECT_EQ(RunSender(jobs_.File("missing"), options_), 0);

    const std::string truncated = jobs_.Write("short", std::string(95, '\0'));
    EXPECT_EQ(RunSender(truncated, options_), 0);
    EXPECT_TRUE(Exists(truncated));
    EXPECT_FALSE(Exists(RunRecordPath(logs_.path())));
}

struct DisposeRow {
    const char* name;
    int32_t flag;
    bool twoFiles;
    bool deleted;
};

void PrintTo(const DisposeRow& row, std::ostream* os) {
    *os << row.name;
}

class DisposeTest : public SenderFlowTest, public ::testing::WithParamInterface<DisposeRow> {};

TEST_P(DisposeTest, AttachmentGoesOnlyWhenAsked) {
    FakeSmtpServer server;
    server.Dialogue(1).Start();
    handoff::MailJobFields fields = Job(server.Port());
    fields.ccList.clear();
    const std::string first = jobs_.Write("a.bin", "data");
    const std::string second = jobs_.Write("b.bin", "more");
    fields.attachmentList = GetParam().twoFiles ? first + "," + second : first;
    fields.disposeFlag = GetParam().flag;

    EXPECT_EQ(RunSender(WriteJob(fields), options_), 0);
    EXPECT_NE(LogText().find("RESULT_SUCCESS"), std::string::npos);
    EXPECT_EQ(Exists(first), !GetParam().deleted);
    EXPECT_TRUE(Exists(second));
}

INSTANTIATE_TEST_SUITE_P(Rows, DisposeTest,
                         ::testing::Values(DisposeRow{"Minus99Keeps", -99, false, false},
                                           DisposeRow{"ZeroKeeps", 0, false, false},
                                           DisposeRow{"OneDeletes", 1, false, true},
                                           DisposeRow{"MinusOneDeletes", -1, false, true},
                                           DisposeRow{"SeveralFilesNothingDeleted", 1, true,
                                                      false}),
                         [](const auto& info) { return info.param.name; });

// Every address of To and Cc reaches the server, one RCPT each, however bare
// and bracketed entries are mixed; the log line tells the same story.
struct RecipientRow {
    const char* name;
    std::string to;
    std::string cc;
    std::vector<std::string> rcpt;
};

void PrintTo(const RecipientRow& row, std::ostream* os) {
    *os << row.name;
}

class RecipientTest : public SenderFlowTest, public ::testing::WithParamInterface<RecipientRow> {};

TEST_P(RecipientTest, OneRcptPerAddress) {
    const RecipientRow& row = GetParam();
    FakeSmtpServer server;
    server.Dialogue(row.rcpt.size()).Start();
    handoff::MailJobFields fields = Job(server.Port());
    fields.toList = row.to;
    fields.ccList = row.cc;

    EXPECT_EQ(RunSender(WriteJob(fields), options_), 0);
    ASSERT_TRUE(server.WaitFinished(5s));
    std::string envelope = "MAIL FROM:<mon@x.org>\r\n";
    for (const std::string& address : row.rcpt) envelope += "RCPT TO:<" + address + ">\r\n";
    envelope += "DATA\r\n";
    const std::string sent = server.Received();
    EXPECT_NE(sent.find(envelope), std::string::npos) << sent;
    EXPECT_NE(sent.find("\r\nTo: " + row.to + "\r\n"), std::string::npos) << sent;
    if (!row.cc.empty()) {
        EXPECT_NE(sent.find("\r\nCc: " + row.cc + "\r\n"), std::string::npos) << sent;
    }
    EXPECT_NE(LogText().find("To:" + row.to + ", Title:Weekly report, Error:RESULT_SUCCESS]"),
              std::string::npos)
        << LogText();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecipientTest,
    ::testing::Values(RecipientRow{"BareBeforeBracketedInTo",
                                   "frank@example.com, Grace <grace@example.com>",
                                   "",
                                   {"frank@example.com", "grace@example.com"}},
                      RecipientRow{"BareBeforeBracketedInCc",
                                   "Ann <ann@x.org>",
                                   "frank@example.com, Grace <grace@example.com>",
                                   {"ann@x.org", "frank@example.com", "grace@example.com"}},
                      RecipientRow{"BareAfterBracketed",
                                   "Grace <grace@example.com>, frank@example.com",
                                   "cy@x.org, Dee <dee@x.org>, eve@x.org",
                                   {"grace@example.com", "frank@example.com", "cy@x.org",
                                    "dee@x.org", "eve@x.org"}},
                      RecipientRow{
                          "OnlyCcMixed", "", "cy@x.org,Dee<dee@x.org>", {"cy@x.org", "dee@x.org"}}),
    [](const auto& info) { return info.param.name; });

// A NUL byte ends a job text for every part of the run: nothing after it
// reaches the headers, the body, the envelope, the Message-ID, the
// attachments or the log. Each row stores "SECRET" (or an address) behind a
// NUL in one field; "%DIR%" stands for the folder of the job files.
struct NulRow {
    const char* name;
    std::string handoff::MailJobFields::*field;
    std::string stored;
    std::vector<std::string> expected;  // pieces of what the server received
};

void PrintTo(const NulRow& row, std::ostream* os) {
    *os << row.name;
}

class NulEndsTextTest : public SenderFlowTest, public ::testing::WithParamInterface<NulRow> {};

TEST_P(NulEndsTextTest, NothingAfterTheNulIsSentOrLogged) {
    const NulRow& row = GetParam();
    FakeSmtpServer server;
    server.Dialogue(2).Start();
    handoff::MailJobFields fields = Job(server.Port());
    jobs_.Write("a.bin", "abc");
    jobs_.Write("SECRET.bin", "xyz");
    std::string stored = row.stored;
    for (std::size_t at; (at = stored.find("%DIR%")) != std::string::npos;) {
        stored.replace(at, 5, jobs_.path());
    }
    fields.*row.field = stored;
    options_.timeouts = SmtpTimeouts::Uniform(2s);  // a confused dialogue ends soon

    EXPECT_EQ(RunSender(WriteJob(fields), options_), 0);
    ASSERT_TRUE(server.WaitFinished(5s));
    const std::string sent = server.Received();
    for (const std::string& piece : row.expected) {
        EXPECT_NE(sent.find(piece), std::string::npos) << piece << "\nin\n" << sent;
    }
    EXPECT_EQ(sent.find('\0'), std::string::npos) << sent;
    EXPECT_EQ(sent.find("SECRET"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("eve@"), std::string::npos) << sent;
    const std::string log = LogText();
    EXPECT_NE(log.find("Error:RESULT_SUCCESS]\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find('\0'), std::string::npos) << log;
    EXPECT_EQ(log.find("SECRET"), std::string::npos) << log;
}

using handoff::MailJobFields;
using namespace std::string_literals;

const std::string kPlainBody =
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "Content-Transfer-Encoding: 7bit\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, NulEndsTextTest,
    ::testing::Values(
        NulRow{"From",
               &MailJobFields::fromField,
               "Monitor <mon@x.org>\0SECRET"s,
               {"\r\nFrom: Monitor <mon@x.org>\r\n", "MAIL FROM:<mon@x.org>\r\n"}},
        NulRow{"ReplyTo",
               &MailJobFields::replyTo,
               "desk@x.org\0SECRET"s,
               {"\r\nReply-To: desk@x.org\r\n"}},
        NulRow{"To",
               &MailJobFields::toList,
               "Ann <ann@x.org>\0, SECRET <eve@x.org>"s,
               {"\r\nTo: Ann <ann@x.org>\r\n",
                "RCPT TO:<ann@x.org>\r\nRCPT TO:<cy@x.org>\r\nDATA\r\n"}},
        NulRow{"Cc",
               &MailJobFields::ccList,
               "cy@x.org\0, eve@x.org"s,
               {"\r\nCc: cy@x.org\r\n", "RCPT TO:<ann@x.org>\r\nRCPT TO:<cy@x.org>\r\nDATA\r\n"}},
        NulRow{"Subject", &MailJobFields::subject, "Weekly\0SECRET"s, {"\r\nSubject: Weekly\r\n"}},
        NulRow{"SevenBitBody",
               &MailJobFields::bodyText,
               "Hello\0SECRET"s,
               {kPlainBody + "Hello\r\n.\r\n"}},
        NulRow{"EightBitAfterTheNul",
               &MailJobFields::bodyText,
               "abc\0\xE9"s,
               {kPlainBody + "abc\r\n.\r\n"}},
        NulRow{"ServerHost", &MailJobFields::serverHost, "127.0.0.1\0SECRET"s, {"@127.0.0.1>\r\n"}},
        NulRow{"Attachments",
               &MailJobFields::attachmentList,
               "%DIR%/a.bin\0,%DIR%/SECRET.bin"s,
               {"filename=\"a.bin\"\r\n\r\nYWJj\r\n"}}),
    [](const auto& info) { return info.param.name; });

// Holds the copies' mutex as another copy would.
class HeldMutex {
public:
    HeldMutex() {
        fd_ = ::open(sys::NamedMutex::LockPath(kCopyMutexName).c_str(), O_RDWR | O_CREAT, 0600);
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~HeldMutex() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool held() const { return held_; }
    void Release() { ::flock(fd_, LOCK_UN); }

private:
    int fd_ = -1;
    bool held_ = false;
};

TEST_F(SenderFlowTest, CoordinationWithoutContentionTakesTheMutexAtOnce) {
    const CoordinationResult result = CoordinateCopies(logs_.path());
    EXPECT_TRUE(result.proceed);
    EXPECT_EQ(result.attempts, 0);
    EXPECT_TRUE(result.acquired);
    HeldMutex after;  // released again
    EXPECT_TRUE(after.held());
}

TEST_F(SenderFlowTest, CoordinationWithoutMarkerGoesOnAfterOneWait) {
    HeldMutex other;
    ASSERT_TRUE(other.held());
    const CoordinationResult result = CoordinateCopies(logs_.path(), {600, 20ms});
    EXPECT_TRUE(result.proceed);
    EXPECT_EQ(result.attempts, 1);
    EXPECT_FALSE(result.acquired);
}

TEST_F(SenderFlowTest, CoordinationWithMarkerWaitsAllAttemptsThenGoesOn) {
    HeldMutex other;
    ASSERT_TRUE(other.held());
    logs_.Write("OM_QUORVANE.dat", "");
    const CoordinationResult result = CoordinateCopies(logs_.path(), {4, 20ms});
    EXPECT_TRUE(result.proceed);
    EXPECT_EQ(result.attempts, 4);
    EXPECT_FALSE(result.acquired);
}

TEST_F(SenderFlowTest, CoordinationWithMarkerTakesTheMutexWhenReleased) {
    HeldMutex other;
    ASSERT_TRUE(other.held());
    logs_.Write("OM_QUORVANE.dat", "");
    std::thread releaser([&] {
        // Released while the copy waits; the bound below is what the test relies on.
        std::this_thread::sleep_for(60ms);
        other.Release();
    });
    const CoordinationResult result = CoordinateCopies(logs_.path(), {600, 20ms});
    releaser.join();
    EXPECT_TRUE(result.proceed);
    EXPECT_TRUE(result.acquired);
    EXPECT_GE(result.attempts, 1);
    EXPECT_LT(result.attempts, 600);
}

TEST(RunRecordTest, ValueAndLittleEndianAppend) {
    sys::LocalTime t;
    t.fields.tm_hour = 14;
    t.fields.tm_min = 5;
    t.fields.tm_sec = 9;
    t.milliseconds = 387;
    EXPECT_EQ(RunRecordValue(t), 14050987);

    ScratchDir dir;
    ASSERT_TRUE(AppendRunRecord(dir.path(), t));
    t.fields.tm_hour = 0;
    ASSERT_TRUE(AppendRunRecord(dir.path(), t));
    EXPECT_EQ(ReadAll(RunRecordPath(dir.path())),
              std::string("\xAB\x66\xD6\x00\x2B\xC7\x00\x00", 8));
    EXPECT_FALSE(AppendRunRecord(dir.File("no/such/folder"), t));
}

TEST(TimeoutConfigTest, OneValueBoundsEveryStep) {
    ScratchDir dir;
    const SmtpTimeouts set = ReadConfiguredTimeouts(dir.Write("q.ini", "[program]\ntimeout = 7\n"));
    for (auto d : {set.connect, set.greeting, set.helo, set.mailFrom, set.rcpt, set.dataInit,
                   set.dataBlock, set.endOfData, set.quit}) {
        EXPECT_EQ(d, 7s);
    }
    for (const char* text :
         {"[PROGRAM]\nLOGLEVEL=2\n", "[PROGRAM]\nTIMEOUT=0\n", "[PROGRAM]\nTIMEOUT=-3\n"}) {
        const SmtpTimeouts rfc = ReadConfiguredTimeouts(dir.Write("d.ini", text));
        EXPECT_EQ(rfc.greeting, 5min) << text;
        EXPECT_EQ(rfc.mailFrom, 5min);
        EXPECT_EQ(rfc.rcpt, 5min);
        EXPECT_EQ(rfc.dataInit, 2min);
        EXPECT_EQ(rfc.dataBlock, 3min);
        EXPECT_EQ(rfc.endOfData, 10min);
    }
    EXPECT_EQ(ReadConfiguredTimeouts(dir.File("missing.ini")).endOfData, 10min);
}

}  // namespace
}  // namespace quorvane3
