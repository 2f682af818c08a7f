#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "mailer/net/smtp.h"
#include "mailer/sys/tls_channel.h"
#include "tests/mailer/net/net_test_support.h"
#include "tests/support/fake_smtp_server.h"
#include "tests/support/tls_server.h"

// The secure session (STARTTLS, SSL/TLS, AUTH) against a scripted TLS
// server: the whole dialogue, with "<tls>" where the handshake happened,
// the result and the cause the send log gets.

namespace quorvane3::testing {
namespace {

using Certs = ossivant::test::TlsCertificates;

const std::string kSender = "sender@example.org";
const std::string kMessage = "Subject: test\r\n\r\nHello.\r\n";
const std::string kEhloPlain = "250-fake greets\r\n250-STARTTLS\r\n250 SIZE 1000";
const std::string kEhloNoTls = "250-fake greets\r\n250 SIZE 1000";
const std::string kEhloAuth = "250-fake greets\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME";
const std::string kEhloLoginOnly = "250-fake greets\r\n250 AUTH=LOGIN";
const std::string kTls = "S: <tls>\n";
const std::string kTlsFailed = "S: <tls failed>\n";
const std::string kClientHello = "C: <TLS client hello>\n";

// A TLS record a plain server heard, as one mark: its bytes vary by run.
std::string MarkClientHello(std::string transcript) {
    const std::size_t start = transcript.find(std::string("C: \x16\x03", 5));
    const std::size_t end = transcript.find(kClientCloses, start);
    if (start == std::string::npos || end == std::string::npos) return transcript;
    return transcript.replace(start, end - start, kClientHello);
}

Certs& Certificates() {
    static Certs* certs = new Certs;  // made once for every row
    return *certs;
}

std::string CertFile(Certs::Kind kind) { return Certificates().certFile(kind).toStdString(); }
std::string KeyFile() { return Certificates().keyFile().toStdString(); }

// Server and expected transcript, built side by side.
struct Script {
    testsupport::FakeSmtpServer& server;
    std::string expected;

    Script& Say(const std::string& reply) {
        server.Send(reply + "\r\n");
        expected += S(reply);
        return *this;
    }
    Script& Hear(const std::string& line) {
        server.ReadLine();
        expected += C(line);
        return *this;
    }
    Script& Tls(Certs::Kind kind = Certs::Good) {
        server.StartTls(CertFile(kind), KeyFile());
        expected += kTls;
        return *this;
    }
    Script& Ehlo(const std::string& reply) { return Hear("EHLO " + LocalHostName()).Say(reply); }
    // MAIL FROM to QUIT of a delivered mail.
    Script& Deliver() {
        Hear("MAIL FROM:<" + kSender + ">").Say("250 sender ok");
        Hear("RCPT TO:<to@example.org>").Say("250 recipient ok");
        Hear("DATA").Say("354 go ahead");
        server.ReadData();
        expected += "C: " + kMessage + ".\r\n";
        return Say("250 queued").Hear("QUIT").Say("221 bye");
    }
    Script& StartTlsAfterGreeting() {
        Say("220 fake ready").Ehlo(kEhloPlain).Hear("STARTTLS").Say("220 go ahead");
        return Tls();
    }
};

struct Row {
    std::string name;
    SmtpSecurity security;
    std::string user;
    std::function<void(Script&)> play;
    int result;
    std::string cause;  // the exact cause, or its start when it ends with "..."
    bool permanent;
    std::string end = kClientCloses;  // how the transcript ends
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

std::vector<Row> Rows() {
    const int ok = CSMTP::kDelivered;
    const int failed = CSMTP::kFailedResult;
    return {
        {"StartTlsThenAuthPlain", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.StartTlsAfterGreeting().Ehlo(kEhloAuth);
             s.Hear("AUTH PLAIN AHVzZXIAc2VjcmV0").Say("235 2.7.0 accepted").Deliver();
         },
         ok, "", false},
        {"StartTlsThenAuthLoginWhenPlainIsNotOffered", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.StartTlsAfterGreeting().Ehlo(kEhloLoginOnly);
             s.Hear("AUTH LOGIN").Say("334 VXNlcm5hbWU6").Hear("dXNlcg==").Say("334 UGFzc3dvcmQ6");
             s.Hear("c2VjcmV0").Say("235 2.7.0 accepted").Deliver();
         },
         ok, "", false},
        {"StartTlsWithoutUserSendsNoAuth", SmtpSecurity::kStartTls, "",
         [](Script& s) { s.StartTlsAfterGreeting().Ehlo(kEhloAuth).Deliver(); }, ok, "", false},
        {"ImplicitTlsFromTheConnectOn", SmtpSecurity::kImplicitTls, "user",
         [](Script& s) {
             s.Tls().Say("220 fake ready").Ehlo(kEhloAuth);
             s.Hear("AUTH PLAIN AHVzZXIAc2VjcmV0").Say("235 2.7.0 accepted").Deliver();
         },
         ok, "", false},
        {"ServerWithoutStartTlsHearsNothingMore", SmtpSecurity::kStartTls, "user",
         [](Script& s) { s.Say("220 fake ready").Ehlo(kEhloNoTls); }, failed,
         "server offers no STARTTLS", true},
        {"WrongPasswordNamesTheServersReply", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.StartTlsAfterGreeting().Ehlo(kEhloAuth);
             s.Hear("AUTH PLAIN AHVzZXIAc2VjcmV0")
                 .Say("535 5.7.8 Authentication credentials invalid")
                 .Hear("QUIT")
                 .Say("221 bye");
         },
         failed, "the server refused AUTH: 535 5.7.8 Authentication credentials invalid", true},
        {"BusyAuthMayPassLater", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.StartTlsAfterGreeting().Ehlo(kEhloAuth);
             s.Hear("AUTH PLAIN AHVzZXIAc2VjcmV0").Say("454 4.7.0 try later").Hear("QUIT").Say("221 bye");
         },
         failed, "the server refused AUTH: 454 4.7.0 try later", false},
        {"NoMechanismOfOurs", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.StartTlsAfterGreeting().Ehlo("250-fake greets\r\n250 AUTH CRAM-MD5");
             s.Hear("QUIT").Say("221 bye");
         },
         failed, "the server offers neither AUTH PLAIN nor AUTH LOGIN", true},
        {"RefusedStartTls", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.Say("220 fake ready").Ehlo(kEhloPlain).Hear("STARTTLS").Say("454 TLS not available");
             s.Hear("QUIT").Say("221 bye");
         },
         failed, "the server refused STARTTLS: 454 TLS not available", false},
        {"SelfSignedCertificate", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.Say("220 fake ready").Ehlo(kEhloPlain).Hear("STARTTLS").Say("220 go ahead");
             s.server.StartTls(CertFile(Certs::SelfSigned), KeyFile());
             s.expected += kTlsFailed;
         },
         failed, "the server's certificate is from an unknown issuer...", true, ""},
        {"ExpiredCertificate", SmtpSecurity::kImplicitTls, "user",
         [](Script& s) {
             s.server.StartTls(CertFile(Certs::Expired), KeyFile());
             s.expected += kTlsFailed;
         },
         failed, "the server's certificate has expired", true, ""},
        {"CertificateForAnotherHost", SmtpSecurity::kImplicitTls, "user",
         [](Script& s) {
             s.server.StartTls(CertFile(Certs::WrongHost), KeyFile());
             s.expected += kTlsFailed;
         },
         failed, "the server's certificate is not for the host localhost", true, ""},
        {"SslTlsAgainstAPlainGreeting", SmtpSecurity::kImplicitTls, "user",
         [](Script& s) {
             s.Say("220 fake ready");
             s.expected += kClientHello;
         },
         failed,
         "the server on port ... expects STARTTLS, not SSL/TLS", true},
        {"StartTlsAgainstAServerWaitingForTls", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.server.StartTls(CertFile(Certs::Good), KeyFile());
             s.expected += kTlsFailed;
         },
         failed, "no greeting: the server on port ... expects SSL/TLS, not STARTTLS", true, ""},
        {"HandshakeThatNeverComes", SmtpSecurity::kStartTls, "user",
         [](Script& s) {
             s.Say("220 fake ready").Ehlo(kEhloPlain).Hear("STARTTLS").Say("220 go ahead");
             s.server.Hold();  // silent until the client gave up
         },
         failed, "no answer to the TLS handshake within the time-out", false, ""},
        {"UserWithoutTlsNeverConnects", SmtpSecurity::kNone, "user", [](Script&) {}, failed,
         "a password is never sent without TLS: choose STARTTLS or SSL/TLS", true, ""},
    };
}

// The cause as expected: "..." stands for the port or the rest of the text.
void ExpectCause(const std::string& cause, const std::string& pattern, std::uint16_t port) {
    std::string wanted = pattern;
    const std::size_t dots = wanted.find("...");
    if (dots == std::string::npos) {
        EXPECT_EQ(cause, wanted);
    } else if (dots + 3 == wanted.size()) {
        EXPECT_EQ(cause.substr(0, dots), wanted.substr(0, dots)) << cause;
    } else {
        EXPECT_EQ(cause, wanted.replace(dots, 3, std::to_string(port)));
    }
}

class SmtpSecureRows : public NetTest, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override {
        NetTest::SetUp();
        ASSERT_TRUE(Certificates().ok()) << Certificates().error().toStdString();
        ::setenv(sys::kCaFileVariable, Certificates().caFile().toLocal8Bit().constData(), 1);
    }
    void TearDown() override {
        ::unsetenv(sys::kCaFileVariable);
        NetTest::TearDown();
    }
};

TEST_P(SmtpSecureRows, PlaysTheWholeDialogue) {
    const Row& row = GetParam();
    testsupport::FakeSmtpServer server;
    Script script{server, ""};
    row.play(script);
    server.Start();

    MessageFile message(kMessage);
    std::vector<std::string> recipients{"to@example.org"};
    RecordingSmtp smtp;
    SmtpTimeouts timeouts = SmtpTimeouts::Uniform(std::chrono::seconds(30));
    timeouts.greeting = timeouts.handshake = 300ms;
    smtp.SetTimeouts(timeouts);
    smtp.SetLogin(SmtpLogin{row.security, row.user, "secret"});
    ASSERT_TRUE(smtp.Start("localhost", server.Port(), message.get(), kSender, &recipients));
    ASSERT_TRUE(Loop().RunUntil([&] { return smtp.Finished(); }, 10s)) << smtp.StateName();
    const bool holding = row.name == "HandshakeThatNeverComes";
    if (server.Accepted() && !holding) {
        ASSERT_TRUE(server.WaitFinished(10s));
    }
    EXPECT_EQ(MarkClientHello(server.Transcript()), script.expected + row.end);
    server.Release();
    EXPECT_EQ(smtp.doneCount, 1);
    EXPECT_EQ(smtp.doneResult, row.result);
    ExpectCause(smtp.FailureCause(), row.cause, server.Port());
    if (row.result == CSMTP::kFailedResult) {
        EXPECT_EQ(smtp.PermanentFailure(), row.permanent);
    }
    EXPECT_EQ(server.Received().find("secret"), std::string::npos) << "the password in clear text";
}

INSTANTIATE_TEST_SUITE_P(Secure, SmtpSecureRows, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane3::testing
