// A site going down, end to end through a real mail provider's path: the
// monitor's engine, headless, reads its manager settings from the registry
// file (STARTTLS, a user name, and the password kept there because no secret
// store runs), probes a local site that answers 404, and its alert travels
// through the hand-off library and quorvane3 to a private Postfix's
// submission service, which requires STARTTLS and AUTH. The mail is read back
// from Postfix's Maildir.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "monitor/platform/secret_store.h"
#include "monitor/report/send_email.h"
#include "monitor/store/load_settings.h"
#include "monitor/store/mail_password.h"
#include "tests/e2e/http_404_server.h"
#include "tests/e2e/maildir_mail.h"
#include "tests/e2e/postfix_server.h"
#include "tests/support/live_engine.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using namespace ossivant;
using quorvane3::test::ReadAll;

class EnginePostfixAlertE2ETest : public ::testing::Test, protected test::LiveEngine {
protected:
    void SetUp() override {
        ASSERT_EQ(postfix.Error(), "");
        ASSERT_NE(http.port(), 0) << "Python's http.server did not start";
        alerts.forwardTo = &handOff;
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        ::setenv("QUORVANE3_INI", tmp.file("quorvane3.ini").c_str(), 1);
        ::setenv("VB_QUORVANE3_SPOOL", spool.path().c_str(), 1);
        ::setenv("QUORVANE3_CA_FILE", postfix.AuthorityFile().c_str(), 1);
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        // A headless monitor: no session bus, so no secret store answers.
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    void TearDown() override {
        for (const char* name :
             {"TMPDIR", "QUORVANE3_INI", "VB_QUORVANE3_SPOOL", "QUORVANE3_CA_FILE"})
            ::unsetenv(name);
    }

    // The mail files of the Maildir once one is there (bounded).
    std::vector<std::string> delivered() {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        std::vector<std::string> files = postfix.Delivered();
        while (files.empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            files = postfix.Delivered();
        }
        return files;
    }

    std::string sendLogs() const {
        std::string text;
        for (const auto& entry : std::filesystem::directory_iterator(spool.path()))
            if (entry.path().extension() == ".log") text += ReadAll(entry.path().string());
        return text;
    }

    e2e::PostfixServer postfix;
    test::TempDir tmp, spool, www;
    e2e::HttpServer http{www.path().string()};
    HandOffAlertSender handOff{settings, QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH)};
};

TEST_F(EnginePostfixAlertE2ETest, SiteGoingDownIsMailedThroughStartTlsAndAuth) {
    // The manager's settings as Options or ossivant-reg leave them.
    const QString managerKey = OssivantKey(QStringLiteral("\\Settings\\Manager"));
    ASSERT_EQ(access.CreateKey(reg::HKEY_LOCAL_MACHINE, managerKey), 0);
    ASSERT_EQ(access.SetValues(
                  reg::HKEY_LOCAL_MACHINE, managerKey,
                  {{QStringLiteral("Email"), QStringLiteral("boss@example.org")},
                   {QStringLiteral("Name"), QStringLiteral("Dana Boss")},
                   {QStringLiteral("SMTP"), QStringLiteral("localhost")},
                   {QStringLiteral("SMTPPort"), postfix.submissionPort, kTypeNumber},
                   {QStringLiteral("SMTPSecurity"), 1, kTypeNumber},
                   {QStringLiteral("SMTPUser"), QString::fromLatin1(e2e::PostfixServer::kUser)}}),
              0);
    std::unique_ptr<SecretStore> secrets = MakeDesktopSecretStore();
    ASSERT_EQ(
        StoreMailPassword(access, *secrets, QString::fromLatin1(e2e::PostfixServer::kPassword)),
        PasswordPlace::kRegistryFile);
    LoadSettings(access, settings, settings.LogPath);
    LoadKeptPassword(*secrets, settings);
    ASSERT_EQ(settings.ManagerSMTPSecurity, 1);
    ASSERT_EQ(settings.ManagerSMTPPassword.toStdString(), e2e::PostfixServer::kPassword);

    const QString url = QStringLiteral("127.0.0.1:%1/status.html").arg(http.port());
    store.SaveSite(sites.append(SiteRecord{{}, url, StatusUnchecked, 1, 10, {}}), true);
    ASSERT_TRUE(runCycle(30));
    EXPECT_EQ(sites[1].Status, StatusWarning);
    ASSERT_TRUE(runCycle(30));
    EXPECT_EQ(sites[1].Status, StatusFailed);

    const std::vector<std::string> files = delivered();
    ASSERT_EQ(files.size(), 1u) << postfix.Log() << sendLogs();
    ASSERT_TRUE(
        postfix.WaitLog(" disconnect from localhost[127.0.0.1] ehlo=2 starttls=1 auth=1 "
                        "mail=1 rcpt=1 data=1 quit=1 commands=8",
                        30s))
        << postfix.Log();
    EXPECT_NE(postfix.Log().find("sasl_method=PLAIN, sasl_username=ops"), std::string::npos)
        << postfix.Log();

    const e2e::StoredMail mail = e2e::ParseMaildirFile(ReadAll(files[0]));
    EXPECT_EQ(e2e::Header(mail, "Delivered-To"), "boss@example.org");
    EXPECT_EQ(e2e::Header(mail, "To"), "boss@example.org");
    EXPECT_EQ(e2e::Header(mail, "From"), "Ossivant <boss@example.org>");
    EXPECT_EQ(e2e::Header(mail, "Subject"), "Ossivant Alert");
    EXPECT_EQ(e2e::Header(mail, "X-Mailer"), "Quorvane 3.0");
    const std::string flat = e2e::Flattened(mail.body);
    EXPECT_EQ(flat.rfind("Dear Dana Boss, Ossivant checked http://" + url.toStdString() +
                             " and the server answered with HTTP response code 404 (Not Found).",
                         0),
              0u)
        << mail.body;
    EXPECT_NE(flat.find("The page was not found on the server."), std::string::npos) << mail.body;

    const std::string sent = sendLogs();
    EXPECT_NE(sent.find("Succeeded to send a mail"), std::string::npos) << sent;
    EXPECT_EQ(sent.find(e2e::PostfixServer::kPassword), std::string::npos) << sent;
}

}  // namespace
