#include "monitor/report/send_email.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>

#include "monitor/report/email_content.h"
#include "monitor/report/send_result_note.h"
#include "tests/monitor/report/alert_fixture.h"

namespace ossivant {
namespace {

using test::FailedSiteFacts;
using test::ManagerSettings;
using test::ProgramFolder;

// A program folder holding a stand-in hand-off library that records each call.
class SendEmailTest : public testing::Test {
protected:
    void SetUp() override {
        recordPath_ = folder_.path() + "/call.bin";
        setenv("FAKE_QUORVANE3_RECORD", QFile::encodeName(recordPath_).constData(), 1);
        unsetenv("FAKE_QUORVANE3_RESULT");
    }
    void TearDown() override {
        unsetenv("FAKE_QUORVANE3_RECORD");
        unsetenv("FAKE_QUORVANE3_RESULT");
    }

    void installLibrary(const char* builtLibrary) {
        ASSERT_TRUE(QFile::copy(QString::fromUtf8(builtLibrary),
                                folder_.path() + "/" + QLatin1StringView(kHandOffLibraryName)));
    }

    bool called() const { return QFile::exists(recordPath_); }

    // The 14 arguments of the last call, as the library received them.
    QList<QByteArray> arguments() const {
        QFile file(recordPath_);
        if (!file.open(QIODevice::ReadOnly)) return {};
        QList<QByteArray> parts = file.readAll().split('\0');
        parts.removeLast();  // after the last terminator
        return parts;
    }

    ProgramFolder folder_;
    QString recordPath_;
};

TEST_F(SendEmailTest, HandsTheComposedAlertToTheLibrary) {
    installLibrary(FAKE_QUORVANE3_PATH);
    folder_.writeMessage("HTTP-404.txt", "Dear %MGRNAME%,\r\n%URL% is missing.\r\n");
    Settings settings = ManagerSettings();
    settings.ManagerName = QString::fromUtf8("J\xc3\xbcrgen");

    EXPECT_EQ(SendEmail("404", settings, FailedSiteFacts(), folder_.path()), 0);

    const QList<QByteArray> expected{
        "",
        "smtp.example.net",
        "2525",
        "ann@example.net",
        "",
        "Ossivant <ann@example.net>",
        "ann@example.net",
        "Ossivant Alert",
        "Dear J\xc3\xbcrgen,\r\nhttp://www.example.net/shop is missing.\r\n",
        "",
        "0",
        "0",
        "US",
        "Quorvane 3.0"};
    EXPECT_EQ(arguments(), expected);
}

// Security or a user name goes through the secure entry with the login;
// without either the plain entry is used, as before.
TEST_F(SendEmailTest, SecureSettingsUseTheSecureEntryWithTheLogin) {
    installLibrary(FAKE_QUORVANE3_PATH);
    struct Case {
        std::int32_t security;
        QString user;
        QList<QByteArray> extra;
    };
    const Case cases[] = {
        {0, "", {}},
        {1, "ops@example.net", {"1", "ops@example.net", "p\xc3\xa4ss"}},
        {2, "", {"2", "", "p\xc3\xa4ss"}},
        {0, "ops", {"0", "ops", "p\xc3\xa4ss"}},
    };
    for (const Case& c : cases) {
        Settings settings = ManagerSettings();
        settings.ManagerSMTPSecurity = c.security;
        settings.ManagerSMTPUser = c.user;
        settings.ManagerSMTPPassword = QString::fromUtf8("p\xc3\xa4ss");
        ASSERT_EQ(SendEmail("404", settings, FailedSiteFacts(), folder_.path()), 0);
        const QList<QByteArray> args = arguments();
        ASSERT_EQ(args.size(), 14 + c.extra.size()) << c.security;
        EXPECT_EQ(args[1], "smtp.example.net");
        EXPECT_EQ(args.mid(14), c.extra) << c.security;
    }
}

TEST_F(SendEmailTest, BodyIsTheWholeComposedAlert) {
    installLibrary(FAKE_QUORVANE3_PATH);
    AlertFacts facts = FailedSiteFacts();
    facts.bInetDoubleCheck = true;
    facts.DoubleCheckResult = 1;

    ASSERT_EQ(SendEmail("8001", ManagerSettings(), facts, folder_.path()), 0);
    const QList<QByteArray> args = arguments();
    ASSERT_EQ(args.size(), 14);
    EXPECT_EQ(args[8], ComposeAlertBody(folder_.path(), "8001", ManagerSettings(), facts).toUtf8());
    EXPECT_TRUE(args[8].startsWith("Dear Ann Smith, (BackUp Check)\r\n"));
    EXPECT_TRUE(args[8].endsWith("but the IP seemed to respond OK."));
}

TEST_F(SendEmailTest, AddressAndServerAreUsedAsTheyStand) {
    installLibrary(FAKE_QUORVANE3_PATH);
    Settings settings = ManagerSettings();
    settings.ManagerEmail = " ";   // one blank is not empty
    settings.ManagerSMTPPort = 0;  // a port saved as 0 is passed as 0

    EXPECT_EQ(SendEmail("404", settings, FailedSiteFacts(), folder_.path()), 0);
    const QList<QByteArray> args = arguments();
    ASSERT_EQ(args.size(), 14);
    EXPECT_EQ(args[2], "0");
    EXPECT_EQ(args[3], " ");
    EXPECT_EQ(args[5], "Ossivant < >");
    EXPECT_EQ(args[6], " ");
}

TEST_F(SendEmailTest, SenderUsesTheSettingsAsTheyStandWhenSending) {
    installLibrary(FAKE_QUORVANE3_PATH);
    Settings settings = ManagerSettings();
    HandOffAlertSender sender(settings, folder_.path());
    settings.ManagerSMTP = "mail.example.org";
    settings.ManagerSMTPPort = 25;

    EXPECT_EQ(sender.SendEmail("404", FailedSiteFacts()), 0);
    const QList<QByteArray> args = arguments();
    ASSERT_EQ(args.size(), 14);
    EXPECT_EQ(args[1], "mail.example.org");
    EXPECT_EQ(args[2], "25");

    settings.ManagerEmail.clear();
    EXPECT_EQ(sender.SendEmail("404", FailedSiteFacts()), 999);
}

struct MissingSettingRow {
    const char* name;
    const char* email;
    const char* smtp;
};
void PrintTo(const MissingSettingRow& row, std::ostream* out) {
    test::PrintRowName(row, out);
}

class SendEmailNotConfiguredTest : public SendEmailTest,
                                   public testing::WithParamInterface<MissingSettingRow> {};

TEST_P(SendEmailNotConfiguredTest, RefusesWithoutCallingTheLibrary) {
    installLibrary(FAKE_QUORVANE3_PATH);
    Settings settings = ManagerSettings();
    settings.ManagerEmail = QString::fromUtf8(GetParam().email);
    settings.ManagerSMTP = QString::fromUtf8(GetParam().smtp);

    EXPECT_EQ(SendEmail("404", settings, FailedSiteFacts(), folder_.path()), 999);
    EXPECT_FALSE(called());
}

INSTANTIATE_TEST_SUITE_P(Rows, SendEmailNotConfiguredTest,
                         testing::Values(MissingSettingRow{"NoAddress", "", "smtp.example.net"},
                                         MissingSettingRow{"NoServer", "ann@example.net", ""},
                                         MissingSettingRow{"Neither", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SendEmailTest, LibraryRefusalIsTheResult) {
    installLibrary(FAKE_QUORVANE3_PATH);
    setenv("FAKE_QUORVANE3_RESULT", "5", 1);
    EXPECT_EQ(SendEmail("404", ManagerSettings(), FailedSiteFacts(), folder_.path()), 5);
    setenv("FAKE_QUORVANE3_RESULT", "-7", 1);
    EXPECT_EQ(SendEmail("404", ManagerSettings(), FailedSiteFacts(), folder_.path()), -7);
    EXPECT_TRUE(called());
}

TEST_F(SendEmailTest, UnusableLibraryFailsTheAlert) {
    // No library in the program folder.
    EXPECT_EQ(SendEmail("404", ManagerSettings(), FailedSiteFacts(), folder_.path()),
              kSendEmailNoHandOff);
    // A library without the entry.
    installLibrary(FAKE_NO_ENTRY_PATH);
    EXPECT_EQ(SendEmail("404", ManagerSettings(), FailedSiteFacts(), folder_.path()),
              kSendEmailNoHandOff);
    EXPECT_NE(kSendEmailNoHandOff, 0);
    EXPECT_NE(kSendEmailNoHandOff, kSendEmailNotConfigured);
}

TEST_F(SendEmailTest, FileThatIsNoLibraryFailsTheAlert) {
    folder_.writeMessage("x", "");  // makes sure the folder exists
    QFile junk(folder_.path() + "/" + QLatin1StringView(kHandOffLibraryName));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an ELF file");
    junk.close();
    EXPECT_EQ(SendEmail("404", ManagerSettings(), FailedSiteFacts(), folder_.path()),
              kSendEmailNoHandOff);
}

struct NoteRow {
    const char* name;
    int result;
    bool doubleCheck;
    const char* email;
    const char* smtp;
    const char* note;
    bool failed;
};
void PrintTo(const NoteRow& row, std::ostream* out) {
    test::PrintRowName(row, out);
}

class SendResultNoteTest : public testing::TestWithParam<NoteRow> {};

TEST_P(SendResultNoteTest, ResultBecomesTheLogNote) {
    const NoteRow& row = GetParam();
    Settings settings;
    settings.ManagerEmail = QString::fromUtf8(row.email);
    settings.ManagerSMTP = QString::fromUtf8(row.smtp);
    const SendResultNote note = NoteForSendResult(row.result, row.doubleCheck, settings);
    EXPECT_EQ(note.note, QString::fromUtf8(row.note));
    EXPECT_EQ(note.failed, row.failed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SendResultNoteTest,
    testing::Values(
        NoteRow{"Sent", 0, false, "a@b", "smtp", "E-mail Notification Sent", false},
        NoteRow{"SentAfterDoubleCheck", 0, true, "a@b", "smtp", "E-mail Notification Sent", false},
        NoteRow{"NoAddress", 999, false, "", "smtp", "E-mail Notification Failed", true},
        NoteRow{"NoAddressAfterDoubleCheck", 999, true, "", "smtp",
                "E-mail Notification Failed (Missing e-mail address)", true},
        NoteRow{"NoServerAfterDoubleCheck", 999, true, "a@b", "",
                "E-mail Notification Failed (Missing SMTP)", true},
        NoteRow{"NeitherAfterDoubleCheck", 999, true, "", "",
                "E-mail Notification Failed (Missing e-mail address and SMTP)", true},
        NoteRow{"BlankAddressIsNotMissing", 5, true, " ", "smtp", "E-mail Notification Failed",
                true},
        NoteRow{"LibraryRefused", 5, false, "a@b", "smtp", "E-mail Notification Failed", true},
        NoteRow{"LibraryRefusedAfterDoubleCheck", 5, true, "a@b", "smtp",
                "E-mail Notification Failed", true},
        NoteRow{"NoLibrary", kSendEmailNoHandOff, false, "a@b", "smtp",
                "E-mail Notification Failed", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct FakeLogRecord {
    QString Notes;
    int HTMLStyle = 1;
};

TEST(ApplySendResultTest, AddsTheNoteAndMarksFailures) {
    FakeLogRecord record{"   ", 1};
    ApplySendResult(record, 0, false, ManagerSettings());
    EXPECT_EQ(record.Notes, "E-mail Notification Sent");
    EXPECT_EQ(record.HTMLStyle, 1);

    record = {"Timeout", 1};
    ApplySendResult(record, 0, false, ManagerSettings());
    EXPECT_EQ(record.Notes, "Timeout; E-mail Notification Sent");
    EXPECT_EQ(record.HTMLStyle, 1);

    record = {"Timeout", 1};
    ApplySendResult(record, 5, false, ManagerSettings());
    EXPECT_EQ(record.Notes, "Timeout; E-mail Notification Failed");
    EXPECT_EQ(record.HTMLStyle, 2);

    record = {"", 1};
    ApplySendResult(record, 5, false, ManagerSettings());
    EXPECT_EQ(record.Notes, "E-mail Notification Failed");
}

}  // namespace
}  // namespace ossivant
