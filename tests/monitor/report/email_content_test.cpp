#include "monitor/report/email_content.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/monitor/report/alert_fixture.h"

namespace ossivant {
namespace {

using test::ExpectMailLines;
using test::FailedSiteFacts;
using test::kTableCodes;
using test::ManagerSettings;
using test::ProgramFolder;

const QString kCrLf = QStringLiteral("\r\n");

// The text with the line breaks that wrapping inserts (always after a blank) removed.
QString Unwrap(QString text) {
    return text.replace(QStringLiteral(" \r\n"), QStringLiteral(" "));
}

struct BuiltInRow {
    const char* code;
    const char* fragment;  // as it reads once filled
    bool namesConsortium;
};
void PrintTo(const BuiltInRow& row, std::ostream* out) {
    *out << row.code;
}

class BuiltInTextTest : public testing::TestWithParam<BuiltInRow> {};

TEST_P(BuiltInTextTest, WithoutMessagesFolderTheBuiltInTextIsFilled) {
    const BuiltInRow& row = GetParam();
    ProgramFolder folder;  // no Messages/ at all
    const QString body = ComposeAlertBody(folder.path(), QString::fromUtf8(row.code),
                                          ManagerSettings(), FailedSiteFacts());

    EXPECT_TRUE(body.startsWith(QStringLiteral("Dear Ann Smith, (BackUp Check)\r\n\r\n")))
        << body.toStdString();
    EXPECT_TRUE(body.endsWith(QStringLiteral("\r\n\r\nRegards,\r\nOssivant.\r\n")));
    EXPECT_TRUE(Unwrap(body).contains(QString::fromUtf8(row.fragment))) << body.toStdString();
    EXPECT_EQ(body.contains(QStringLiteral("(www.w3.org)")), row.namesConsortium);
    EXPECT_FALSE(body.contains(QLatin1Char('%'))) << body.toStdString();
    ExpectMailLines(body);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, BuiltInTextTest,
    testing::Values(
        BuiltInRow{"204",
                   "site, http://www.example.net/shop, Ossivant received a HTTP Reponse Code 204. "
                   "Generally",
                   false},
        BuiltInRow{"301", "Code 301. Generally, this response occurs the requested resource",
                   false},
        BuiltInRow{
            "400",
            "The URL, http://www.example.net/shop, returned a HTTP Reponse Code 400 (Bad Request).",
            false},
        BuiltInRow{"401", "Code 401 (Unauthorized). Generally", false},
        BuiltInRow{"403", "Code 403 (Forbidden). Generally", false},
        BuiltInRow{"404", "Code 404 (File Not Found). This response", false},
        BuiltInRow{"405", "Code 405 (Method Not Allowed).", true},
        BuiltInRow{"500", "Code 500 (Internal Server Error).", true},
        BuiltInRow{"501", "Code 501 (Not Implemented).", true},
        BuiltInRow{"502", "Code 502 (Bad Gateway).", true},
        BuiltInRow{"503", "Code 503 (Service Unavailable).", true},
        BuiltInRow{"504", "Code 504 (Gateway Time-out).", true},
        BuiltInRow{
            "8001",
            "While checking http://www.example.net/shop, the URL timed out (within 30 sec.) before",
            false},
        BuiltInRow{"8080", "The Error message returned is \"Timeout was reached\" (12). Please",
                   false},
        BuiltInRow{"1xx",
                   "Reponse Code (1xx). Generally, this kind of response code (1xx) is used for "
                   "informational purposes.",
                   false},
        BuiltInRow{"2xx", "between ossivant and the HTTP server was successfully received", false},
        BuiltInRow{"3xx", "further action must be taklen in order", false},
        BuiltInRow{"4xx", "contains incorrect suntax or cannot be fulfilled.", false},
        BuiltInRow{"5xx", "(5xx) occurs when there is a Server Error;", true},
        BuiltInRow{"0", "received an unrecognizable Reponse Code.", true},
        BuiltInRow{"40", "received an unrecognizable Reponse Code.", true},
        BuiltInRow{"", "received an unrecognizable Reponse Code.", true}),
    [](const auto& info) { return "Code" + std::string(info.param.code); });

TEST(BuiltInTextTest, KnownCodeAlertReadsExactly) {
    ProgramFolder folder;
    EXPECT_EQ(ComposeAlertBody(folder.path(), QStringLiteral("404"), ManagerSettings(),
                               FailedSiteFacts()),
              QStringLiteral(
                  "Dear Ann Smith, (BackUp Check)\r\n\r\n"
                  "The URL, http://www.example.net/shop, returned a HTTP Reponse Code 404 \r\n"
                  "(File Not Found). This response occurs when the requested URL is not found. \r\n"
                  "It is recommended that you check the server where this URL resides on.\r\n\r\n"
                  "Regards,\r\nOssivant.\r\n"));
}

TEST(BuiltInTextTest, UnknownCodeAlertEndsWithTheWholeHeader) {
    ProgramFolder folder;
    EXPECT_EQ(
        ComposeAlertBody(folder.path(), QStringLiteral("0"), ManagerSettings(), FailedSiteFacts()),
        QStringLiteral(
            "Dear Ann Smith, (BackUp Check)\r\n\r\n"
            "While checking the site, http://www.example.net/shop, Ossivant received an \r\n"
            "unrecognizable Reponse Code. The response code does not seem to be in \r\n"
            "compliance with the W3 Consortium's (www.w3.org) HTTP Protocol. The details \r\n"
            "of the Response Header received is as follows: \r\n\r\n"
            "HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n\r\n"
            "Regards,\r\nOssivant.\r\n"));
}

// Every code finds its own template; a code without one takes Unknown.txt.
class TemplateChoiceTest : public testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        for (const QString& code : kTableCodes)
            folder_.writeMessage("HTTP-" + code + ".txt", "own %ResponseCode% %mgrname%\r\n");
        folder_.writeMessage("Unknown.txt", "general %RESPONSECODE%");
    }
    ProgramFolder folder_;
};

TEST_P(TemplateChoiceTest, CodeTakesItsOwnTemplate) {
    const QString code = GetParam();
    const QString body =
        ComposeAlertBody(folder_.path(), code, ManagerSettings(), FailedSiteFacts());
    if (kTableCodes.contains(code))
        EXPECT_EQ(body, "own " + code + " Ann Smith\r\n");
    else
        EXPECT_EQ(body, "general " + code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TemplateChoiceTest, testing::ValuesIn([] {
        const QStringList codes = kTableCodes + QStringList{"0", "999", "../HTTP-404"};
        return std::vector<QString>(codes.begin(), codes.end());
    }()),
    [](const auto& info) {
        QString name = info.param;
        name.replace(QLatin1Char('.'), QLatin1Char('D'))
            .replace(QLatin1Char('/'), QLatin1Char('S'))
            .replace(QLatin1Char('-'), QLatin1Char('_'));
        return "Code" + name.toStdString();
    });

TEST(TemplateFallbackTest, MissingOwnTemplateFallsBackToUnknownThenBuiltIn) {
    ProgramFolder folder;
    folder.writeMessage("HTTP-404.txt", "404 template");
    EXPECT_TRUE(ComposeAlertBody(folder.path(), "4xx", ManagerSettings(), FailedSiteFacts())
                    .startsWith("Dear Ann Smith, (BackUp Check)\r\n"));
    folder.writeMessage("Unknown.txt", "unknown template");
    EXPECT_EQ(ComposeAlertBody(folder.path(), "4xx", ManagerSettings(), FailedSiteFacts()),
              "unknown template");
}

TEST(TemplateFallbackTest, TemplateIsTakenAsItStands) {
    ProgramFolder folder;
    folder.writeMessage("HTTP-404.txt", "");
    folder.writeMessage("HTTP-500.txt",
                        "Gr\xc3\xbc\xc3\x9f"
                        "e %MGRNAME%\nline two\n");
    QDir(folder.path()).mkpath("Messages/HTTP-503.txt");  // a folder is no template
    folder.writeMessage("Unknown.txt", "unknown");
    Settings settings = ManagerSettings();
    settings.ManagerName = QString::fromUtf8("J\xc3\xbcrgen");

    EXPECT_EQ(ComposeAlertBody(folder.path(), "404", settings, FailedSiteFacts()), QString());
    EXPECT_EQ(ComposeAlertBody(folder.path(), "500", settings, FailedSiteFacts()),
              QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                                "e J\xc3\xbcrgen\nline two\n"));
    EXPECT_EQ(ComposeAlertBody(folder.path(), "503", settings, FailedSiteFacts()), "unknown");
}

// The operator's Messages folder is searched before the shipped one for each
// name, but a shipped template of the code still wins over the operator's
// Unknown.txt.
TEST(TemplateFallbackTest, OperatorsTemplatesComeBeforeTheShippedOnesOfTheSameName) {
    ProgramFolder shipped;
    ProgramFolder config;  // its base/ stands for the configuration folder
    const QString base = config.path() + "/base";
    QDir().mkpath(base + "/ossivant/Messages");
    const auto writeOwn = [&](const QString& name, const QByteArray& text) {
        QFile file(base + "/ossivant/Messages/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", base.toUtf8());

    shipped.writeMessage("HTTP-404.txt", "shipped 404");
    shipped.writeMessage("HTTP-500.txt", "shipped 500");
    shipped.writeMessage("Unknown.txt", "shipped unknown");
    shipped.writeMessage("DT_OK.txt", "shipped ps");
    writeOwn("HTTP-404.txt", "own 404");
    writeOwn("Unknown.txt", "own unknown");
    writeOwn("DT_OK.txt", "own ps");

    const struct {
        const char* code;
        const char* body;
    } rows[] = {
        {"404", "own 404"},      // the operator's file of the code
        {"500", "shipped 500"},  // a shipped file of the code beats the operator's Unknown.txt
        {"503", "own unknown"},  // no file of the code anywhere
    };
    for (const auto& row : rows)
        EXPECT_EQ(ComposeAlertBody(shipped.path(), row.code, ManagerSettings(), FailedSiteFacts()),
                  row.body)
            << row.code;
    AlertFacts facts = FailedSiteFacts();
    facts.bInetDoubleCheck = true;
    facts.DoubleCheckResult = 1;
    EXPECT_TRUE(
        ComposeAlertBody(shipped.path(), "404", ManagerSettings(), facts).endsWith("own ps"));

    qputenv("XDG_CONFIG_HOME", savedConfig);
}

struct PostscriptRow {
    const char* name;
    bool doubleCheck;
    int doubleCheckResult;
    bool withTemplates;
    const char* postscript;  // nullptr: none
};
void PrintTo(const PostscriptRow& row, std::ostream* out) {
    test::PrintRowName(row, out);
}

class PostscriptTest : public testing::TestWithParam<PostscriptRow> {};

TEST_P(PostscriptTest, DoubleCheckAddsItsPostscript) {
    const PostscriptRow& row = GetParam();
    ProgramFolder folder;
    folder.writeMessage("HTTP-404.txt", "main %URL%");
    if (row.withTemplates) {
        folder.writeMessage("DT_OK.txt", "ok %ip% %URL%");
        folder.writeMessage("DT_NG.txt", "ng %IP%");
    }
    AlertFacts facts = FailedSiteFacts();
    facts.bInetDoubleCheck = row.doubleCheck;
    facts.DoubleCheckResult = row.doubleCheckResult;
    facts.probeURL = "http://192.0.2.7";  // a double check last requested the IP

    const QString body = ComposeAlertBody(folder.path(), "404", ManagerSettings(), facts);
    const QString main =
        row.doubleCheck ? "main http://www.example.net/shop" : "main http://192.0.2.7";
    if (row.postscript == nullptr)
        EXPECT_EQ(body, main);
    else
        EXPECT_EQ(body, main + "\r\n\r\n" + QString::fromUtf8(row.postscript));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PostscriptTest,
    testing::Values(PostscriptRow{"NoDoubleCheck", false, 1, true, nullptr},
                    PostscriptRow{"NoDoubleCheckNoTemplates", false, 0, false, nullptr},
                    PostscriptRow{"IpAnsweredBuiltIn", true, 1, false,
                                  "PS. An IP Check was performed on http://192.0.2.7,\r\nbut the "
                                  "IP seemed to respond OK."},
                    PostscriptRow{"IpFailedBuiltIn", true, 0, false,
                                  "PS. An IP Check was performed on http://192.0.2.7,\r\nand the "
                                  "IP returned an error as well."},
                    PostscriptRow{"OtherResultCountsAsFailed", true, 2, false,
                                  "PS. An IP Check was performed on http://192.0.2.7,\r\nand the "
                                  "IP returned an error as well."},
                    PostscriptRow{"IpAnsweredTemplate", true, 1, true,
                                  "ok http://192.0.2.7 http://www.example.net/shop"},
                    PostscriptRow{"IpFailedTemplate", true, 0, true, "ng http://192.0.2.7"}),
    [](const auto& info) { return std::string(info.param.name); });

// The templates shipped in the program folder: one for every code, each
// filling into a finished mail.
class ShippedTemplateTest : public testing::TestWithParam<QString> {
protected:
    static QString programDir() { return QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH); }
};

TEST_P(ShippedTemplateTest, IsPresentWithCrLfLineEnds) {
    QFile file(programDir() + "/Messages/" + GetParam());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedTemplateTest, testing::ValuesIn([] {
                             std::vector<QString> names{"Unknown.txt", "DT_OK.txt", "DT_NG.txt"};
                             for (const QString& code : kTableCodes)
                                 names.push_back("HTTP-" + code + ".txt");
                             return names;
                         }()),
                         [](const auto& info) {
                             QString name = info.param;
                             return name.replace('.', '_').replace('-', '_').toStdString();
                         });

TEST(ShippedTemplateTest, EveryCodeComposesWithoutLeftOverPlaceholders) {
    const QString programDir = QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH);
    AlertFacts facts = FailedSiteFacts();
    facts.bInetDoubleCheck = true;
    for (const QString& code : kTableCodes + QStringList{"0"}) {
        for (int result : {0, 1}) {
            facts.DoubleCheckResult = result;
            const QString body = ComposeAlertBody(programDir, code, ManagerSettings(), facts);
            SCOPED_TRACE(code.toStdString());
            EXPECT_TRUE(body.startsWith("Dear Ann Smith,\r\n")) << body.toStdString();
            EXPECT_FALSE(body.contains("(BackUp Check)"));
            EXPECT_FALSE(body.contains('%')) << body.toStdString();
            EXPECT_TRUE(body.contains("http://www.example.net/shop"));
            EXPECT_TRUE(body.contains("http://192.0.2.7"));
            ExpectMailLines(body);
        }
    }
}

}  // namespace
}  // namespace ossivant
