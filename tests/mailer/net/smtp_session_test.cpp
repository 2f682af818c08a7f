#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "mailer/net/smtp.h"
#include "mailer/sys/winsock_errors.h"
#include "tests/mailer/net/net_test_support.h"
#include "tests/support/fake_smtp_server.h"

// The SMTP session against a scripted server: every row of the session's
// state table, with the whole dialogue compared byte for byte.

namespace quorvane3::testing {
namespace {

const std::string kSender = "sender@example.org";
const std::string kMessage = "Subject: test\r\n\r\nHello.\r\n";

// The stages at which the server's next reply is awaited, in dialogue order.
enum Stage { kGreeting, kHelo, kMailFrom, kRcpt, kData, kEndOfData, kQuit, kStageCount };
constexpr const char* kStageState[] = {"AwaitGreeting", "AwaitHelo",      "AwaitMailFrom",
                                       "AwaitRcpt",     "AwaitData",      "AwaitEndOfData",
                                       "AwaitQuit"};
// The reply class each stage expects ('*': any).
constexpr char kExpected[] = {'2', '2', '2', '2', '3', '2', '*'};

// Plays the dialogue up to the reply awaited at `stage` and returns its transcript.
std::string PlayUpTo(testsupport::FakeSmtpServer& s, int stage, const std::string& message) {
    std::string t;
    const std::pair<const char*, std::string> steps[] = {
        {"220 fake ready", "HELO " + LocalHostName()},
        {"250 hello", "MAIL FROM:<" + kSender + ">"},
        {"250 sender ok", "RCPT TO:<to@example.org>"},
        {"250 recipient ok", "DATA"},
        {"354 go ahead", ""},  // the message text
        {"250 queued", "QUIT"},
    };
    for (int i = 0; i < stage; ++i) {
        s.Send(std::string(steps[i].first) + "\r\n");
        t += S(steps[i].first);
        if (i == kData) {
            s.ReadData();
            t += "C: " + message + ".\r\n";
        } else {
            s.ReadLine();
            t += C(steps[i].second);
        }
    }
    return t;
}

SmtpTimeouts LongTimeouts() { return SmtpTimeouts::Uniform(std::chrono::seconds(60)); }

SmtpTimeouts OnlyStageTimesOut(int stage) {
    SmtpTimeouts t = LongTimeouts();
    SmtpTimeouts::Duration* fields[] = {&t.greeting, &t.helo,      &t.mailFrom, &t.rcpt,
                                        &t.dataInit, &t.endOfData, &t.quit};
    *fields[stage] = 150ms;
    return t;
}

enum class Kind { kReply, kServerCloses, kAbort, kTimeout };

struct Row {
    std::string name;
    int stage;
    Kind kind;
    std::string reply;  // for kReply
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class SmtpSessionRows : public NetTest, public ::testing::WithParamInterface<Row> {};

TEST_P(SmtpSessionRows, FollowsTheStateTable) {
    const Row& row = GetParam();
    testsupport::FakeSmtpServer server;
    std::string expected = PlayUpTo(server, row.stage, kMessage);
    const bool afterData = row.stage == kQuit;  // the mail was accepted already
    int result = afterData ? CSMTP::kDelivered : CSMTP::kFailedResult;
    int lastError = 0;
    switch (row.kind) {
        case Kind::kReply: {
            server.Send(row.reply + "\r\n");
            expected += S(row.reply);
            const bool accepted = row.reply[0] == kExpected[row.stage];
            ASSERT_FALSE(accepted) << "rows only hold answers the stage refuses";
            // After HELO was sent a refusal is answered with QUIT.
            if (row.stage != kGreeting && !afterData) {
                server.ReadLine().Send("221 bye\r\n");
                expected += C("QUIT") + S("221 bye");
            }
            expected += kClientCloses;
            break;
        }
        case Kind::kServerCloses:
            server.Close();
            expected += kServerCloses;
            break;
        case Kind::kAbort:
            server.Stall();
            expected += kClientCloses;
            result = CSMTP::kAborted;
            break;
        case Kind::kTimeout:
            server.Stall();
            expected += kClientCloses;
            if (!afterData) lastError = sys::kWsaETIMEDOUT;
            break;
    }
    server.Start();

    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.SetTimeouts(row.kind == Kind::kTimeout ? OnlyStageTimesOut(row.stage) : LongTimeouts());
    ASSERT_TRUE(smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients));
    if (row.kind == Kind::kAbort) {
        const std::string state = kStageState[row.stage];
        ASSERT_TRUE(Loop().RunUntil([&] { return smtp.StateName() == state; }, 10s));
        smtp.Abort(true);
    }
    ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Finished(); }, 10s)) << smtp.StateName();
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(), expected);
    EXPECT_EQ(smtp.doneCount, 1);
    EXPECT_EQ(smtp.doneResult, result);
    EXPECT_EQ(smtp.LastError(), lastError);
}

std::vector<Row> TableRows() {
    const char* names[] = {"Greeting", "Helo", "MailFrom", "Rcpt", "Data", "EndOfData", "Quit"};
    const char* replies[] = {"120 wait", "250 fine", "354 go on", "421 busy", "554 refused"};
    std::vector<Row> rows;
    for (int stage = 0; stage < kStageCount; ++stage) {
        const std::string base = std::string("Await") + names[stage];
        for (const char* reply : replies) {
            if (reply[0] == kExpected[stage]) continue;  // the accepting row is the dialogue itself
            rows.push_back(Row{base + "_Reply" + std::string(reply, 3), stage, Kind::kReply, reply});
        }
        rows.push_back(Row{base + "_ServerCloses", stage, Kind::kServerCloses, ""});
        rows.push_back(Row{base + "_Abort", stage, Kind::kAbort, ""});
        rows.push_back(Row{base + "_TimeOut", stage, Kind::kTimeout, ""});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Table, SmtpSessionRows, ::testing::ValuesIn(TableRows()),
                         [](const auto& info) { return info.param.name; });

class SmtpSession : public NetTest {
protected:
    void Run(RecordingSmtp& smtp) {
        ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Finished(); }, 10s)) << smtp.StateName();
    }
};

TEST_F(SmtpSession, DeliversToEveryRecipientInListOrder) {
    testsupport::FakeSmtpServer server;
    server.Dialogue(2);
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org", "cc@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    Run(smtp);
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(),
              S("220 fake ready") + C("HELO " + LocalHostName()) + S("250 hello") +
                  C("MAIL FROM:<sender@example.org>") + S("250 sender ok") +
                  C("RCPT TO:<to@example.org>") + S("250 recipient ok") +
                  C("RCPT TO:<cc@example.org>") + S("250 recipient ok") + C("DATA") +
                  S("354 go ahead") + "C: " + kMessage + ".\r\n" + S("250 queued") + C("QUIT") +
                  S("221 bye") + kClientCloses);
    EXPECT_EQ(smtp.doneResult, CSMTP::kDelivered);
}

TEST_F(SmtpSession, ARefusedSecondRecipientFailsTheWholeMail) {
    testsupport::FakeSmtpServer server;
    std::string expected = PlayUpTo(server, kRcpt, kMessage);
    server.Send("250 recipient ok\r\n").ReadLine().Send("550 no such user\r\n");
    server.ReadLine().Send("221 bye\r\n");
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org", "cc@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    Run(smtp);
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(), expected + S("250 recipient ok") + C("RCPT TO:<cc@example.org>") +
                                       S("550 no such user") + C("QUIT") + S("221 bye") +
                                       kClientCloses);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
}

TEST_F(SmtpSession, AFailedConnectionFailsWithTheSocketError) {
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", ClosedPort(), message.get(), kSender, &recipients);
    Run(smtp);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
    EXPECT_EQ(smtp.LastError(), sys::kWsaECONNREFUSED);
}

TEST_F(SmtpSession, ANameIsLookedUpBeforeConnecting) {
    testsupport::FakeSmtpServer server;
    server.Dialogue(1);
    server.Start();
    Loop().SetResolver([](const std::string& name, std::vector<std::uint32_t>* out) {
        if (name != "mail.test") return sys::kWsaHOST_NOT_FOUND;
        out->push_back(0x7F000001);
        return 0;
    });
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("mail.test", server.Port(), message.get(), kSender, &recipients);
    Run(smtp);
    EXPECT_EQ(smtp.doneResult, CSMTP::kDelivered);
}

TEST_F(SmtpSession, AConnectionThatNeverCompletesTimesOut) {
    Loop().SetConnectHook([](const sys::SockAddrIn&) { return sys::EventLoop::kConnectNeverCompletes; });
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    SmtpTimeouts t = LongTimeouts();
    t.connect = 150ms;
    smtp.SetTimeouts(t);
    smtp.Start("127.0.0.1", 25, message.get(), kSender, &recipients);
    Run(smtp);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
    EXPECT_EQ(smtp.LastError(), sys::kWsaETIMEDOUT);
}

TEST_F(SmtpSession, ATimeOutOfZeroWaitsWithoutLimit) {
    testsupport::FakeSmtpServer server;
    server.Hold().Dialogue(1);
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.SetTimeouts(SmtpTimeouts::Uniform(SmtpTimeouts::Duration::zero()));
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    ASSERT_TRUE(Loop().RunUntil([&] { return std::string(smtp.StateName()) == "AwaitGreeting"; }, 10s));
    EXPECT_FALSE(Loop().RunUntil([&] { return smtp.Finished(); }, 100ms));
    server.Release();
    Run(smtp);
    EXPECT_EQ(smtp.doneResult, CSMTP::kDelivered);
}

struct AbortRow {
    const char* name;
    bool notify;
};
void PrintTo(const AbortRow& row, std::ostream* os) { *os << row.name; }
class SmtpAbortWhileConnecting : public NetTest, public ::testing::WithParamInterface<AbortRow> {};

TEST_P(SmtpAbortWhileConnecting, EndsWithResultZeroAndTellsOnlyWhenAsked) {
    Loop().SetConnectHook([](const sys::SockAddrIn&) { return sys::EventLoop::kConnectNeverCompletes; });
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", 25, message.get(), kSender, &recipients);
    EXPECT_STREQ(smtp.StateName(), "AwaitConnect");
    smtp.Abort(GetParam().notify);
    EXPECT_TRUE(smtp.Finished());
    EXPECT_EQ(smtp.Result(), CSMTP::kAborted);
    EXPECT_EQ(smtp.doneCount, GetParam().notify ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Table, SmtpAbortWhileConnecting,
                         ::testing::Values(AbortRow{"WithNotice", true}, AbortRow{"Silently", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SmtpSession, DestroyingARunningSessionEndsItSilently) {
    testsupport::FakeSmtpServer server;
    server.Send("220 fake ready\r\n").ReadLine().Stall();
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    {
        RecordingSmtp smtp;
        smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
        ASSERT_TRUE(Loop().RunUntil([&] { return std::string(smtp.StateName()) == "AwaitHelo"; }, 10s));
    }
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(), S("220 fake ready") + C("HELO " + LocalHostName()) + kClientCloses);
}

TEST_F(SmtpSession, TheNotifyingSessionPostsItsResult) {
    testsupport::FakeSmtpServer server;
    server.Dialogue(1);
    server.Start();
    std::vector<sys::LParam> posted;
    sys::Hwnd w = Loop().CreateWindow("Control", [&](sys::Hwnd, unsigned m, sys::WParam wp, sys::LParam l) {
        if (m == sys::kWmUser) {
            EXPECT_EQ(wp, 0u);
            posted.push_back(l);
        }
        return sys::LParam{0};
    });
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    CSMTPNotify smtp(w, sys::kWmUser, 0);
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    ASSERT_TRUE(Loop().RunUntil([&] { return !posted.empty(); }, 10s));
    EXPECT_EQ(posted, std::vector<sys::LParam>{CSMTP::kDelivered});
    Loop().DestroyWindow(w);
}

class TwoLineGreetingSplit : public NetTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(TwoLineGreetingSplit, CountsAsOneReplyWhereverItIsCut) {
    const std::string greeting = "220-mail.example.org\r\n220 ready\r\n";
    testsupport::FakeSmtpServer server;
    // Had the greeting counted twice, its second line would answer HELO and
    // MAIL FROM would reach the server where QUIT is expected.
    server.SendSplit(greeting, GetParam()).ReadLine().Send("554 no\r\n").ReadLine().Send("221 bye\r\n");
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Finished(); }, 10s)) << smtp.StateName();
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(), "S: " + greeting + C("HELO " + LocalHostName()) + S("554 no") +
                                       C("QUIT") + S("221 bye") + kClientCloses);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
}

INSTANTIATE_TEST_SUITE_P(EveryOffset, TwoLineGreetingSplit, ::testing::Range<std::size_t>(1, 33));

TEST_F(SmtpSession, RepliesArrivingByteByByteAreRead) {
    testsupport::FakeSmtpServer server;
    server.SendByteByByte("220-first\r\n220 second\r\n").ReadLine().SendByteByByte("554 no\r\n");
    server.ReadLine().Send("221 bye\r\n");
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    Run(smtp);
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(), "S: 220-first\r\n220 second\r\n" + C("HELO " + LocalHostName()) +
                                       S("554 no") + C("QUIT") + S("221 bye") + kClientCloses);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
}

TEST_F(SmtpSession, ACommandTooLongForTheLineBufferIsNeverSentCutShort) {
    testsupport::FakeSmtpServer server;
    server.Send("220 ready\r\n").ReadLine().Send("250 hello\r\n").Stall();
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), std::string(990, 'a') + "@example.org",
               &recipients);
    Run(smtp);
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(),
              S("220 ready") + C("HELO " + LocalHostName()) + S("250 hello") + kClientCloses);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
}

TEST_F(SmtpSession, AReplyLineLongerThanTheBufferFailsTheMail) {
    testsupport::FakeSmtpServer server;
    server.Send("220 " + std::string(600, 'x') + "\r\n");
    server.Start();
    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), kSender, &recipients);
    Run(smtp);
    EXPECT_EQ(smtp.doneResult, CSMTP::kFailedResult);
}

}  // namespace
}  // namespace quorvane3::testing
