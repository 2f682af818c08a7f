// The options dialog's Send Test Alert button through the real parts: the
// hand-off library of the program folder starts the real quorvane3, which
// delivers to aiosmtpd. The values are typed into the boxes and never saved.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "monitor/store/load_settings.h"
#include "monitor/ui/options_dialog.h"
#include "tests/e2e/smtp_sink.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/print_qstring.h"
#include "tests/support/temp_dir.h"
#include "tests/support/temp_registry.h"
#include "tests/support/widgets_app.h"

namespace {

using namespace std::chrono_literals;
using namespace ossivant;

class NoFolders final : public FolderDialog {
public:
    QString browseFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

class OptionsAlertE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        ::setenv("QUORVANE3_INI", tmp.file("quorvane3.ini").c_str(), 1);
        ::setenv("VB_QUORVANE3_SPOOL", spool.path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);  // no operator templates
        ASSERT_NE(sink.Port(), 0) << "the SMTP server (python3-aiosmtpd) did not start";
        LoadSettings(access, settings, QString::fromStdString(logs.path().string()));
    }
    void TearDown() override {
        ::unsetenv("TMPDIR");
        ::unsetenv("QUORVANE3_INI");
        ::unsetenv("VB_QUORVANE3_SPOOL");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    QApplication* application = test::widgetsApplication();
    test::TempDir tmp, spool, config, logs, received;
    test::TempRegistry temp;
    reg::Registry registry{temp.path()};
    RegistryAccess access{registry};
    Settings settings;
    test::RecordingMessages messages;
    NoFolders folders;
    test::FakeClock clock;
    e2e::SmtpSink sink{received.path().string()};
};

TEST_F(OptionsAlertE2ETest, TestAlertButtonDeliversOneMailToTheAddressInTheBox) {
    QWidget mainWindow;
    frmOptions dialog(&mainWindow, settings, access, messages, folders, clock,
                      QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH), {});
    dialog.Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QTabWidget*>("tabOptions")->setCurrentIndex(1);
    dialog.findChild<QLineEdit*>("txtMgrEmail")->setText("ops@example.org");
    dialog.findChild<QLineEdit*>("txtMgrName")->setText("Robin Ops");
    dialog.findChild<QLineEdit*>("txtSMTP")->setText("127.0.0.1");
    dialog.findChild<QLineEdit*>("txtSMTPPort")->setText(QString::number(sink.Port()));
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdTestAlert"), Qt::LeftButton);

    // The dialog waits for the outcome from its event loop.
    QTRY_COMPARE_WITH_TIMEOUT(messages.texts.size(), 1, 30000);
    EXPECT_EQ(messages.texts[0],
              QStringLiteral("The test alert to ops@example.org was delivered to 127.0.0.1, "
                             "port %1.")
                  .arg(sink.Port()));

    const std::optional<e2e::ReceivedMail> mail = sink.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->defects, std::vector<std::string>{});
    EXPECT_EQ(mail->recipients, std::vector<std::string>{"ops@example.org"});
    EXPECT_EQ(mail->Header("From"), "Ossivant <ops@example.org>");
    EXPECT_EQ(mail->Header("Subject"), "Ossivant Alert");
    EXPECT_EQ(mail->body.rfind("Dear Robin Ops,", 0), 0u) << mail->body;
    EXPECT_NE(mail->body.find("This is a test alert from Ossivant"), std::string::npos)
        << mail->body;
    EXPECT_EQ(mail->body.find('%'), std::string::npos) << mail->body;
    EXPECT_FALSE(sink.Next(500ms));  // exactly one

    // The typed values served this one mail only.
    EXPECT_EQ(settings.ManagerEmail, QString());
    EXPECT_EQ(settings.ManagerSMTPPort, 25);
    EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
