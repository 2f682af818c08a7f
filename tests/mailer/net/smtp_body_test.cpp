#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "mailer/net/smtp.h"
#include "mailer/sys/winsock_errors.h"
#include "tests/mailer/net/net_test_support.h"
#include "tests/support/fake_smtp_server.h"

// The message text on the wire: dot-stuffing, line ends, the 999-character
// rule, and the text phase while the socket holds lines back.

namespace quorvane3::testing {
namespace {

const std::string kSender = "s@example.org";

std::string Prelude(testsupport::FakeSmtpServer& s) {
    s.Send("220 ready\r\n").ReadLine().Send("250 hello\r\n").ReadLine().Send("250 ok\r\n");
    s.ReadLine().Send("250 ok\r\n").ReadLine().Send("354 go\r\n");
    return S("220 ready") + C("HELO " + LocalHostName()) + S("250 hello") +
           C("MAIL FROM:<s@example.org>") + S("250 ok") + C("RCPT TO:<r@example.org>") +
           S("250 ok") + C("DATA") + S("354 go");
}

struct TextRow {
    const char* name;
    std::string file;
    std::string wire;  // the text as sent, end of data included; empty when the mail fails
};
void PrintTo(const TextRow& row, std::ostream* os) { *os << row.name; }

class MessageText : public NetTest, public ::testing::WithParamInterface<TextRow> {};

TEST_P(MessageText, GoesOutAsTheTableSays) {
    const TextRow& row = GetParam();
    const bool delivered = !row.wire.empty();
    testsupport::FakeSmtpServer server;
    std::string expected = Prelude(server);
    if (delivered) {
        server.ReadData().Send("250 queued\r\n").ReadLine().Send("221 bye\r\n");
        expected += "C: " + row.wire + S("250 queued") + C("QUIT") + S("221 bye") + kClientCloses;
    } else {
        server.Stall();
    }
    server.Start();
    MessageFile message(row.file);
    std::vector<std::string> recipients{"r@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Finished(); }, 10s)) << smtp.StateName();
    ASSERT_TRUE(server.WaitFinished(10s));
    if (delivered) {
        EXPECT_EQ(server.Transcript(), expected);
        EXPECT_EQ(smtp.doneResult, CSMTP::kDelivered);
    } else {
        // The lines before the long one went out; then the connection ends
        // at once: no end of data, no QUIT.
        const std::string sentBefore = row.file.substr(0, row.file.find(std::string(999, 'x')));
        EXPECT_EQ(server.Transcript(),
                  expected + (sentBefore.empty() ? "" : "C: " + sentBefore) + kClientCloses);
        EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MessageText,
    ::testing::Values(
        TextRow{"LeadingDotsAreDoubled", ".a\r\n.\r\n..b\r\nc.\r\n",
                "..a\r\n..\r\n...b\r\nc.\r\n.\r\n"},
        TextRow{"EmptyLinesStay", "a\r\n\r\n\r\nb\r\n", "a\r\n\r\n\r\nb\r\n.\r\n"},
        TextRow{"LastLineWithoutLineEnd", "x\r\ny", "x\r\ny\r\n.\r\n"},
        TextRow{"BareLineFeedsEndLines", "a\nb\n", "a\r\nb\r\n.\r\n"},
        TextRow{"EmptyText", "", ".\r\n"},
        TextRow{"Line998IsSent", std::string(998, 'y') + "\r\n", std::string(998, 'y') + "\r\n.\r\n"},
        TextRow{"Line998WithLeadingDot", "." + std::string(997, 'y') + "\r\n",
                ".." + std::string(997, 'y') + "\r\n.\r\n"},
        TextRow{"Line999FailsTheMail", "first\r\n" + std::string(999, 'x') + "\r\nafter\r\n", ""},
        TextRow{"Line999WithoutLineEndFails", std::string(999, 'x'), ""},
        TextRow{"LongerLineFails", std::string(999, 'x') + std::string(2000, 'z') + "\r\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A message bigger than the socket buffers: lines wait in the send queue.
std::string BigText() {
    std::string text;
    const std::string line = std::string(75, 'q') + "\r\n";
    while (text.size() < (24u << 20)) text += line;
    return text;
}

class BlockedText : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        text_ = BigText();
        message_ = std::make_unique<MessageFile>(text_);
    }
    // Starts the session and waits until a body line is held back.
    void StartAndBlock(testsupport::FakeSmtpServer& server, RecordingSmtp& smtp) {
        server.Start();
        smtp.Start("127.0.0.1", server.Port(), message_->get(), kSender, &recipients_);
        ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Blocked(); }, 20s)) << smtp.StateName();
        EXPECT_STREQ(smtp.StateName(), "SendBody");
    }
    void Run(RecordingSmtp& smtp) {
        ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Finished(); }, 60s)) << smtp.StateName();
    }

    std::string text_;
    std::unique_ptr<MessageFile> message_;
    std::vector<std::string> recipients_{"r@example.org"};
};

TEST_F(BlockedText, ALargeTextGoesOutWholeAfterTheSocketHeldItBack) {
    testsupport::FakeSmtpServer server;
    std::string expected = Prelude(server);
    server.Hold().ReadData().Send("250 queued\r\n").ReadLine().Send("221 bye\r\n");
    RecordingSmtp smtp;
    StartAndBlock(server, smtp);
    server.Release();
    Run(smtp);
    ASSERT_TRUE(server.WaitFinished(60s));
    EXPECT_EQ(server.Transcript(), expected + "C: " + text_ + ".\r\n" + S("250 queued") + C("QUIT") +
                                       S("221 bye") + kClientCloses);
    EXPECT_EQ(smtp.doneResult, CSMTP::kDelivered);
}

TEST_F(BlockedText, ARefusalDuringTheTextSendsQuitBehindTheQueuedLine) {
    testsupport::FakeSmtpServer server;
    Prelude(server);
    // Reads nothing until the client is blocked, refuses, then reads on.
    server.Hold().Send("554 too much\r\n").Stall();
    RecordingSmtp smtp;
    SmtpTimeouts t = SmtpTimeouts::Uniform(std::chrono::seconds(60));
    t.quit = 2s;  // nobody answers QUIT inside a message text
    smtp.SetTimeouts(t);
    StartAndBlock(server, smtp);
    server.Release();
    Run(smtp);
    ASSERT_TRUE(server.WaitFinished(60s));
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
    // Every byte before QUIT is the untouched start of the text, cut at a line end.
    const std::string received = server.Received();
    const std::string commands = "HELO " + LocalHostName() +
                                 "\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.org>\r\nDATA\r\n";
    ASSERT_GE(received.size(), commands.size() + 6);
    EXPECT_EQ(received.substr(received.size() - 6), "QUIT\r\n");
    const std::string body = received.substr(commands.size(), received.size() - commands.size() - 6);
    EXPECT_EQ(received.substr(0, commands.size()), commands);
    EXPECT_EQ(body, text_.substr(0, body.size()));
    EXPECT_EQ(body.size() % 77, 0u);
}

TEST_F(BlockedText, AbortAndCloseAndTimeOutWhileBlockedEndTheSession) {
    struct Case {
        const char* name;
        int result;
        int lastError;
    };
    for (const Case c : {Case{"abort", CSMTP::kAborted, 0}, Case{"close", CSMTP::kFailedResult, -1},
                         Case{"timeout", CSMTP::kFailedResult, sys::kWsaETIMEDOUT}}) {
        SCOPED_TRACE(c.name);
        message_ = std::make_unique<MessageFile>(text_);
        testsupport::FakeSmtpServer server;
        Prelude(server);
        server.Hold();
        if (std::string(c.name) == "close") server.Close();
        RecordingSmtp smtp;
        if (std::string(c.name) == "timeout") {
            SmtpTimeouts t = SmtpTimeouts::Uniform(std::chrono::seconds(60));
            t.dataBlock = 200ms;
            smtp.SetTimeouts(t);
        }
        StartAndBlock(server, smtp);
        const bool timeout = std::string(c.name) == "timeout";
        if (std::string(c.name) == "abort") smtp.Abort(true);
        if (!timeout) server.Release();
        Run(smtp);
        if (timeout) server.Release();
        EXPECT_EQ(smtp.doneCount, 1);
        EXPECT_EQ(smtp.doneResult, c.result);
        if (c.lastError >= 0) {
            EXPECT_EQ(smtp.LastError(), c.lastError);
        }
        ASSERT_TRUE(server.WaitFinished(60s));
    }
}

}  // namespace
}  // namespace quorvane3::testing
