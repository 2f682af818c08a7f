#include "monitor/report/alert_text.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "tests/monitor/report/alert_fixture.h"

namespace ossivant {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

Settings ManagerSettings(const QString& name) {
    Settings settings;
    settings.ManagerName = name;
    return settings;
}

AlertFacts ProbeFacts() {
    AlertFacts facts;
    facts.site.URL = QStringLiteral("www.example.net/shop");
    facts.site.IP = QStringLiteral("192.0.2.7");
    facts.checkTimeOut = 30;
    facts.probeURL = QStringLiteral("http://www.example.net/shop");
    facts.probeResponseCode = 12;
    facts.probeResponseInfo = QStringLiteral("Timeout was reached");
    facts.probeHeader = QStringLiteral("HTTP/1.1 404 Not Found\r\nServer: x\r\n");
    return facts;
}

struct PlaceholderRow {
    const char* name;
    const char* content;
    const char* expected;
};
void PrintTo(const PlaceholderRow& row, std::ostream* out) {
    test::PrintRowName(row, out);
}

class PlaceholderTest : public testing::TestWithParam<PlaceholderRow> {};

TEST_P(PlaceholderTest, FillsTheValueOfTheCheck) {
    const PlaceholderRow& row = GetParam();
    EXPECT_EQ(SubstitutePlaceholders(QString::fromUtf8(row.content), QStringLiteral("404"),
                                     ManagerSettings(QStringLiteral("Ann Smith")), ProbeFacts()),
              QString::fromUtf8(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlaceholderTest,
    testing::Values(
        PlaceholderRow{"ManagerName", "Dear %MGRNAME%,", "Dear Ann Smith,"},
        PlaceholderRow{"Url", "<%URL%>", "<http://www.example.net/shop>"},
        PlaceholderRow{"Ip", "<%IP%>", "<http://192.0.2.7>"},
        PlaceholderRow{"TimeOut", "within %TIMEOUT%", "within 30 sec."},
        PlaceholderRow{"ErrorInfo", "\"%ERRORINFO%\"", "\"Timeout was reached\""},
        PlaceholderRow{"ErrorCode", "(%ERRORCODE%)", "(12)"},
        PlaceholderRow{"ResponseCode", "code %RESPONSECODE%", "code 404"},
        PlaceholderRow{"Header", "%HEADER%", "HTTP/1.1 404 Not Found\r\nServer: x\r\n"},
        PlaceholderRow{"LowerCase", "%url% %mgrname%", "http://www.example.net/shop Ann Smith"},
        PlaceholderRow{"MixedCase", "%Ip% %TimeOut%", "http://192.0.2.7 30 sec."},
        PlaceholderRow{"EveryOccurrence", "%IP%-%IP%-%ip%",
                       "http://192.0.2.7-http://192.0.2.7-http://192.0.2.7"},
        PlaceholderRow{"UnknownWordKept", "%PORT% 100%", "%PORT% 100%"},
        PlaceholderRow{"NonAsciiNotFolded", "%ıp% %ſ%", "%ıp% %ſ%"},
        PlaceholderRow{"AdjacentPercentSigns", "%%URL%%", "%http://www.example.net/shop%"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaceholderTest, UrlIsTheSiteAddressAfterAnIpDoubleCheck) {
    AlertFacts facts = ProbeFacts();
    facts.probeURL = QStringLiteral("http://192.0.2.7");
    EXPECT_EQ(
        SubstitutePlaceholders(QStringLiteral("%URL%"), QStringLiteral("404"), Settings(), facts),
        QStringLiteral("http://192.0.2.7"));
    facts.bInetDoubleCheck = true;
    EXPECT_EQ(
        SubstitutePlaceholders(QStringLiteral("%URL%"), QStringLiteral("404"), Settings(), facts),
        QStringLiteral("http://www.example.net/shop"));
}

TEST(PlaceholderTest, BlankManagerNameBecomesTheGeneralName) {
    const AlertFacts facts = ProbeFacts();
    const auto fill = [&](const char* name) {
        return SubstitutePlaceholders(QStringLiteral("[%MGRNAME%]"), QStringLiteral("0"),
                                      ManagerSettings(QString::fromUtf8(name)), facts);
    };
    EXPECT_EQ(fill(""), QStringLiteral("[Ossivant manager]"));
    EXPECT_EQ(fill("   "), QStringLiteral("[Ossivant manager]"));
    EXPECT_EQ(fill(" Ann "), QStringLiteral("[ Ann ]"));
}

TEST(PlaceholderTest, ValueHoldingItsOwnPlaceholderIsInsertedOnce) {
    const QString filled = SubstitutePlaceholders(
        QStringLiteral("%MGRNAME%/%mgrname%"), QStringLiteral("0"),
        ManagerSettings(QStringLiteral("x%MGRNAME%y%Mgrname%")), ProbeFacts());
    EXPECT_EQ(filled, QStringLiteral("x%MGRNAME%y%Mgrname%/x%MGRNAME%y%Mgrname%"));
}

TEST(PlaceholderTest, ValuesAreSearchedOnlyForLaterPlaceholders) {
    AlertFacts facts = ProbeFacts();
    facts.probeHeader = QStringLiteral("H:%URL%");  // %URL% comes before %HEADER%
    const QString filled =
        SubstitutePlaceholders(QStringLiteral("%MGRNAME% %HEADER%"), QStringLiteral("%ERRORCODE%"),
                               ManagerSettings(QStringLiteral("M:%IP%")), facts);
    EXPECT_EQ(filled, QStringLiteral("M:http://192.0.2.7 H:%URL%"));
    // The response code's value is searched for %HEADER% only, never for %ERRORCODE%.
    EXPECT_EQ(SubstitutePlaceholders(QStringLiteral("%RESPONSECODE%"),
                                     QStringLiteral("%ERRORCODE%"), Settings(), facts),
              QStringLiteral("%ERRORCODE%"));
}

struct WrapRow {
    const char* name;
    QString input;
    QString expected;
};
void PrintTo(const WrapRow& row, std::ostream* out) {
    test::PrintRowName(row, out);
}

QString Word(int length, char letter = 'w') {
    return QString(length, QLatin1Char(letter));
}

// A line of the given length made of five-letter words, each followed by a
// blank: its last blank within 76 characters is always the 72nd character.
QString Prose(int length) {
    QString line;
    while (line.size() < length)
        line += (line.size() % 6 == 5) ? QLatin1Char(' ') : QLatin1Char('a');
    return line;
}

// The line broken after its 72nd character.
QString BrokenAt72(const QString& line) {
    return line.left(72) + kCrLf + line.mid(72);
}

class WrapTest : public testing::TestWithParam<WrapRow> {};

TEST_P(WrapTest, BreaksLinesForMail) {
    EXPECT_EQ(WrapMailText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrapTest,
    testing::Values(
        WrapRow{"Empty", QString(), QString()},
        WrapRow{"ShortLinesKept", "a\r\n\r\nb c\r\n", "a\r\n\r\nb c\r\n"},
        WrapRow{"Line74Kept", Prose(74) + kCrLf + "next", Prose(74) + kCrLf + "next"},
        WrapRow{"Line75BrokenAtLastBlank", Prose(75) + kCrLf + "next",
                BrokenAt72(Prose(75)) + kCrLf + "next"},
        WrapRow{"Line76BrokenAtLastBlank", Prose(76) + kCrLf, BrokenAt72(Prose(76)) + kCrLf},
        WrapRow{"LastLine76Kept", "x\r\n" + Prose(76), "x\r\n" + Prose(76)},
        WrapRow{"LastLine77Broken", Prose(77), BrokenAt72(Prose(77))},
        WrapRow{"BlankAt76KeptOnTheLine", Word(75) + " tail\r\n", Word(75) + " \r\ntail\r\n"},
        WrapRow{"Word200Alone", Word(200), Word(200)},
        WrapRow{"Word200ThenText", Word(200) + " tail", Word(200) + " \r\ntail"},
        WrapRow{"Word200EndingItsLine", Word(200) + "\r\nfoo bar", Word(200) + "\r\nfoo bar"},
        WrapRow{"Word75EndingItsLine", Word(75) + "\r\nfoo bar\r\n", Word(75) + "\r\nfoo bar\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Wrapping only ever inserts CR LF after a blank, and never leaves a line over
// 76 characters unless it is a single word.
TEST(WrapTest, InsertsBreaksOnlyAfterBlanksAndKeepsLinesShort) {
    const QString text = QStringLiteral("Dear Ann,\r\n\r\n") + Prose(300) + QStringLiteral(" ") +
                         Word(90) + QStringLiteral(" end.\r\n") + Prose(74) +
                         QStringLiteral("\r\n\r\nRegards,\r\n");
    const QString wrapped = WrapMailText(text);
    QString rejoined = wrapped;
    rejoined.replace(QStringLiteral(" \r\n"), QStringLiteral(" "));
    EXPECT_EQ(rejoined, text);
    test::ExpectMailLines(wrapped);
}

TEST(ParseEmailContentTest, WrapsAfterFillingPlaceholders) {
    // The long address makes the line overflow only once it is filled in.
    AlertFacts facts = ProbeFacts();
    facts.probeURL = QStringLiteral("http://") + Word(60, 'u');
    EXPECT_EQ(ParseEmailContent(QStringLiteral("Checked %URL% today.\r\n"), QStringLiteral("404"),
                                Settings(), facts),
              QStringLiteral("Checked ") + facts.probeURL + QStringLiteral(" \r\ntoday.\r\n"));
}

}  // namespace
}  // namespace ossivant
