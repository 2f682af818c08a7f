// The built quorvane3 against a real Postfix with SASL through Dovecot
// (tests/e2e/postfix_server.h): the submission port with STARTTLS, the
// wrapper port with TLS from the connect, the plain port without security.
// What the send log says, what Postfix saw of the session, and the mail as it
// lies in the Maildir.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "handoff/mail_job_writer.h"
#include "tests/e2e/maildir_mail.h"
#include "tests/e2e/postfix_server.h"
#include "tests/mailer/sender_scratch.h"

namespace {

using namespace std::chrono_literals;
using quorvane3::test::ReadAll;
using e2e::Header;
using e2e::ParseMaildirFile;
using e2e::StoredMail;

enum class Service { kPlain, kSubmission, kWrapper };

struct PostfixRow {
    const char* name;
    Service service;
    uint32_t security;
    const char* user;
    const char* password;
    bool trustAuthority;
    // Delivered: Postfix's account of the session ("ehlo=2 starttls=1 ...")
    // and the SASL mechanism ("" for none). Failed: the cause in the send log,
    // "%d" standing for the port.
    const char* session;
    const char* mechanism;
    const char* cause;
};
void PrintTo(const PostfixRow& row, std::ostream* os) { *os << row.name; }

class PostfixSessionTest : public quorvane3::test::SenderScratch,
                           public ::testing::WithParamInterface<PostfixRow> {};

TEST_P(PostfixSessionTest, DeliversOrLogsTheCause) {
    const PostfixRow& row = GetParam();
    e2e::PostfixServer server;
    ASSERT_EQ(server.Error(), "");
    const uint16_t port = row.service == Service::kPlain        ? server.plainPort
                          : row.service == Service::kSubmission ? server.submissionPort
                                                                : server.wrapperPort;
    if (row.trustAuthority) ::setenv("QUORVANE3_CA_FILE", server.AuthorityFile().c_str(), 1);
    tmp_.Write("quorvane3.ini", "[PROGRAM]\r\nTIMEOUT=3\r\n");

    handoff::MailJobFields job;
    job.serverHost = "localhost";
    job.serverPort = port;
    job.toList = "Bob <bob@example.org>";
    job.fromField = "Monitor <mon@example.org>";
    job.subject = "Site down";
    job.bodyText = "www.example.org does not answer.\r\nChecked at 04:00.\r\n";
    job.controlField = logs_.path() + ",2,Ossivant";
    job.security = row.security;
    job.userName = row.user;
    job.password = row.password;
    const std::string jobPath = WriteJob(job);
    const pid_t pid = e2e::Spawn({QUORVANE3_PROGRAM, jobPath});
    const int code = pid > 0 ? e2e::WaitExit(pid, 60s) : -1;
    ::unsetenv("QUORVANE3_CA_FILE");
    EXPECT_EQ(code, 0);

    const std::string log = LogText();
    if (*row.password) {
        EXPECT_EQ(log.find(row.password), std::string::npos) << log;
    }
    if (*row.cause) {
        char cause[300];
        std::snprintf(cause, sizeof cause, row.cause, port);
        EXPECT_NE(log.find("Error:RESULT_FAILURE, Cause:" + std::string(cause)), std::string::npos)
            << log;
        EXPECT_TRUE(server.Delivered().empty());
        return;
    }
    EXPECT_NE(log.find("Error:RESULT_SUCCESS]"), std::string::npos) << log;
    ASSERT_TRUE(server.WaitLog("status=sent (delivered to maildir)", 30s)) << server.Log();
    ASSERT_TRUE(server.WaitLog(" disconnect from localhost[127.0.0.1] " + std::string(row.session),
                               30s))
        << server.Log();
    const std::string postfixLog = server.Log();
    if (*row.mechanism) {
        EXPECT_NE(postfixLog.find("sasl_method=" + std::string(row.mechanism) + ", sasl_username=ops"),
                  std::string::npos)
            << postfixLog;
    } else {
        EXPECT_EQ(postfixLog.find("sasl_method="), std::string::npos) << postfixLog;
    }

    const std::vector<std::string> files = server.Delivered();
    ASSERT_EQ(files.size(), 1u);
    const StoredMail mail = ParseMaildirFile(ReadAll(files[0]));
    EXPECT_EQ(Header(mail, "Return-Path"), "<mon@example.org>");
    EXPECT_EQ(Header(mail, "Delivered-To"), "bob@example.org");
    EXPECT_EQ(Header(mail, "From"), "Monitor <mon@example.org>");
    EXPECT_EQ(Header(mail, "To"), "Bob <bob@example.org>");
    EXPECT_EQ(Header(mail, "Subject"), "Site down");
    EXPECT_EQ(Header(mail, "X-Mailer"), "Ossivant");
    EXPECT_EQ(mail.body, "www.example.org does not answer.\nChecked at 04:00.\n\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PostfixSessionTest,
    ::testing::Values(
        PostfixRow{"StartTlsAndPlain", Service::kSubmission, 1, "ops", "secret", true,
                   "ehlo=2 starttls=1 auth=1 mail=1 rcpt=1 data=1 quit=1 commands=8", "PLAIN",
                   ""},
        PostfixRow{"ImplicitTlsAndLogin", Service::kWrapper, 2, "ops", "secret", true,
                   "ehlo=1 auth=1 mail=1 rcpt=1 data=1 quit=1 commands=6", "LOGIN", ""},
        PostfixRow{"SecurityNoneUnchanged", Service::kPlain, 0, "", "", true,
                   "helo=1 mail=1 rcpt=1 data=1 quit=1 commands=5", "", ""},
        PostfixRow{"WrongPassword", Service::kSubmission, 1, "ops", "wrong", true, "", "",
                   "the server refused AUTH: 535 5.7.8 Error: authentication failed: (reason unavailable)]"},
        PostfixRow{"UntrustedCertificate", Service::kSubmission, 1, "ops", "secret", false, "",
                   "",
                   "the server's certificate is from an unknown issuer (a private authority is "
                   "added with QUORVANE3_CA_FILE)"},
        PostfixRow{"SslTlsOnTheStartTlsPort", Service::kSubmission, 2, "ops", "secret", true, "",
                   "", "the server on port %d expects STARTTLS, not SSL/TLS"},
        PostfixRow{"StartTlsOnTheSslTlsPort", Service::kWrapper, 1, "ops", "secret", true, "", "",
                   "no greeting: the server on port %d expects SSL/TLS, not STARTTLS"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
