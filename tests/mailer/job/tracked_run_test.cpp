// Whole runs of the sender on tracked jobs against the scripted server: what
// the outcome record says, whether the job stays for a resend, and that the
// send log line is the one an untracked job gets.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "handoff/mail_job_writer.h"
#include "mailer/job/delivery_outcome.h"
#include "mailer/job/job_extension.h"
#include "mailer/job/sender_flow.h"
#include "tests/mailer/sender_scratch.h"
#include "tests/support/fake_smtp_server.h"

namespace quorvane3 {
namespace {

using namespace std::chrono_literals;
using testsupport::FakeSmtpServer;

// A port on 127.0.0.1 where nobody listens.
uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

void UpToRcpt(FakeSmtpServer& s) {
    s.Send("220 hi\r\n").ReadLine().Send("250 hello\r\n").ReadLine().Send("250 ok\r\n").ReadLine();
}

void UpToData(FakeSmtpServer& s) {
    UpToRcpt(s);
    s.Send("250 ok\r\n").ReadLine().Send("354 go ahead\r\n");
}

struct FaultRow {
    const char* name;
    std::function<void(FakeSmtpServer&)> script;  // null: nobody listens
    DeliveryState state;
    const char* causeWords;  // found in the record's cause
    bool jobKept;
};
void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

handoff::MailJobFields TrackedJob(uint16_t port, const std::string& logDir) {
    handoff::MailJobFields fields;
    fields.serverHost = "127.0.0.1";
    fields.serverPort = port;
    fields.toList = "ann@x.org";
    fields.fromField = "mon@x.org";
    fields.subject = "Site down";
    fields.bodyText = std::string(20000, 'b') + "\r\n";
    fields.controlField = logDir + ",2,Mailer";
    fields.flags = kJobTracked;
    return fields;
}

class TrackedRunTest : public test::SenderScratch,
                       public ::testing::WithParamInterface<FaultRow> {
protected:
    // Runs the row's server against one job and returns what the send log got.
    std::string Run(bool tracked, std::string& jobPath) {
        const FaultRow& row = GetParam();
        FakeSmtpServer server;
        uint16_t port = ClosedPort();
        if (row.script) {
            row.script(server);
            server.Start();
            port = server.Port();
        }
        handoff::MailJobFields fields = TrackedJob(port, logs_.path());
        fields.bodyText = "text\r\n";
        fields.flags = tracked ? kJobTracked : 0;
        jobPath = WriteJob(fields);
        SenderOptions options;
        options.timeouts = SmtpTimeouts::Uniform(300ms);
        EXPECT_EQ(RunSender(jobPath, options), 0);
        std::string log = LogText();
        for (const auto& entry : std::filesystem::directory_iterator(logs_.path())) {
            if (entry.path().extension() == ".log") std::filesystem::remove(entry.path());
        }
        return log;
    }

    // The line without its time stamp, which comes first.
    static std::string Untimed(const std::string& line) {
        const std::size_t words = line.find("    ");
        return words == std::string::npos ? line : line.substr(words);
    }
};

TEST_P(TrackedRunTest, RecordsTheOutcomeKeepsTheJobOnlyWhenItMayPassAndLogsAsBefore) {
    const FaultRow& row = GetParam();
    std::string untrackedJob, trackedJob;
    const std::string untrackedLog = Run(false, untrackedJob);
    const std::string trackedLog = Run(true, trackedJob);

    EXPECT_FALSE(std::filesystem::exists(untrackedJob));
    EXPECT_FALSE(ReadOutcomeRecord(untrackedJob).has_value());
    ASSERT_FALSE(trackedLog.empty());
    EXPECT_EQ(Untimed(trackedLog), Untimed(untrackedLog));

    const auto outcome = ReadOutcomeRecord(trackedJob);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->state, row.state);
    EXPECT_NE(outcome->cause.find(row.causeWords), std::string::npos) << outcome->cause;
    EXPECT_GT(outcome->finishedAt, 0);
    EXPECT_EQ(std::filesystem::exists(trackedJob), row.jobKept);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TrackedRunTest,
    ::testing::Values(
        FaultRow{"NeverGreets", [](FakeSmtpServer& s) { s.Stall(); }, DeliveryState::kMayPass,
                 "no answer to the greeting", true},
        FaultRow{"RefusesTheConnection", nullptr, DeliveryState::kMayPass,
                 "no connection to 127.0.0.1 port", true},
        FaultRow{"Answers450ToRcpt",
                 [](FakeSmtpServer& s) {
                     UpToRcpt(s);
                     s.Send("450 mailbox busy\r\n").ReadLine().Send("221 bye\r\n");
                 },
                 DeliveryState::kMayPass, "RCPT TO: 450 mailbox busy", true},
        FaultRow{"Answers550ToRcpt",
                 [](FakeSmtpServer& s) {
                     UpToRcpt(s);
                     s.Send("550 no such user\r\n").ReadLine().Send("221 bye\r\n");
                 },
                 DeliveryState::kPermanent, "RCPT TO: 550 no such user", false},
        FaultRow{"DropsAfterDataGoAhead",
                 [](FakeSmtpServer& s) {
                     UpToData(s);
                     s.Close();
                 },
                 DeliveryState::kMayPass, "the message text", true},
        FaultRow{"DropsAfterTheFinal250",
                 [](FakeSmtpServer& s) {
                     UpToData(s);
                     s.ReadData().Send("250 queued\r\n").Close();
                 },
                 DeliveryState::kDelivered, "", false},
        FaultRow{"Delivers", [](FakeSmtpServer& s) { s.Dialogue(1); },
                 DeliveryState::kDelivered, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

class TrackedRunEndsTest : public test::SenderScratch {};

// A job without a recipient cannot be sent again unchanged.
TEST_F(TrackedRunEndsTest, NoRecipientIsPermanentAndTheJobGoes) {
    handoff::MailJobFields fields = TrackedJob(ClosedPort(), logs_.path());
    fields.toList.clear();
    const std::string job = WriteJob(fields);
    EXPECT_EQ(RunSender(job, SenderOptions{}), 0);
    const auto outcome = ReadOutcomeRecord(job);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->state, DeliveryState::kPermanent);
    EXPECT_EQ(outcome->cause, "the job names no recipient");
    EXPECT_FALSE(std::filesystem::exists(job));
}

// The message file cannot be written whole: nothing is sent, the failure
// may pass and says why.
TEST_F(TrackedRunEndsTest, FullTemporaryDiskMayPassAndSendsNothing) {
    const std::string disk = tmp_.File("disk");
    std::filesystem::create_directory(disk);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + disk + " 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    struct Unmount {
        std::string disk;
        ~Unmount() { std::system(("umount " + disk).c_str()); }
    } unmount{disk};
    {
        std::ofstream filler(disk + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {}
        while (filler.put('x') && filler.flush()) {}
    }
    ::setenv("TMPDIR", disk.c_str(), 1);

    FakeSmtpServer server;
    server.Dialogue(1).Start();
    const std::string job = WriteJob(TrackedJob(server.Port(), logs_.path()));
    EXPECT_EQ(RunSender(job, SenderOptions{}), 0);

    const auto outcome = ReadOutcomeRecord(job);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->state, DeliveryState::kMayPass);
    EXPECT_EQ(outcome->cause, "the message file could not be written: No space left on device");
    EXPECT_TRUE(std::filesystem::exists(job));
    EXPECT_EQ(server.Received(), "");
    EXPECT_NE(LogText().find("Failed to send a mail"), std::string::npos) << LogText();
    for (const auto& entry : std::filesystem::directory_iterator(disk)) {
        EXPECT_NE(entry.path().filename().string().rfind("MAIL", 0), 0u) << entry.path();
    }
}

}  // namespace
}  // namespace quorvane3
