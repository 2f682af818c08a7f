#include "monitor/engine/response_code.h"

#include <gtest/gtest.h>

#include "monitor/engine/outcome_table.h"
#include "monitor/engine/panel_time.h"

namespace ossivant {
namespace {

struct HeaderCase {
    const char* name;
    const char* header;
    const char* code;
};
inline void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class GetResponseCodeTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(GetResponseCodeTest, FindsTheStatusCode) {
    EXPECT_EQ(GetResponseCode(QString::fromLatin1(GetParam().header)),
              QString::fromLatin1(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, GetResponseCodeTest,
    ::testing::Values(
        HeaderCase{"Ok", "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Length: 3\r\n", "200"},
        HeaderCase{"Http10Found", "HTTP/1.0 302 Found\r\n", "302"},
        HeaderCase{"CutAfterTwoDigits", "HTTP/1.1 20", "0"},
        HeaderCase{"Letters", "HTTP/1.1 ABC Nonsense\r\n", "0"},
        HeaderCase{"LowerCaseOnLaterLine", "X-Pre: 1\r\nhttp/1.1 404 Not Found\r\n", "404"},
        HeaderCase{"NoBlankAfterVersion", "HTTP/1.1", "0"},
        HeaderCase{"NoHttp", "SSH-2.0-OpenSSH_9.2\r\n", "0"},
        HeaderCase{"LeadingZeros", "HTTP/1.1 007 Bond\r\n", "0"},
        HeaderCase{"TwoBlanks", "HTTP/1.1  200 OK\r\n", "0"},
        HeaderCase{"ExponentBecomesNumber", "HTTP/1.1 1e2 Odd\r\n", "100"},
        HeaderCase{"CodeAtEnd", "HTTP/1.1 503", "503"},
        HeaderCase{"BlankFromHttpOn", "garbage HTTP/1.1 301 Moved", "301"},
        HeaderCase{"Negative", "HTTP/1.1 -12 Odd", "-12"},
        HeaderCase{"SharpSBeforeHttp",
                   "X-Name: \xdf\xdf\xdf\xdf\xdf\xdf\xdf\xdf\xdf\xdf\r\nHTTP/1.1 404 Not Found\r\n", "404"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumericValueTest, ReadsDecimalNumbersWithBlanksSignFractionAndExponentOnly) {
    const struct {
        const char* text;
        std::optional<double> value;
    } rows[] = {
        {"200", 200},       {"  200 ", 200},  {"+1.5e3", 1500}, {"-.5", -0.5},    {"5.", 5},
        {"1E-2", 0.01},     {"", {}},         {"   ", {}},      {".", {}},        {"+", {}},
        {"1e", {}},         {"1e+", {}},      {"1 2", {}},      {"0x10", {}},     {"\t7", {}},
        {"7\n", 7},         {"7\n\n", {}},     {"1e400", {}},    {"12a", {}},      {"--1", {}},
        {"1..2", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(NumericValue(QString::fromLatin1(row.text)), row.value) << row.text;
    }
    EXPECT_EQ(NumericValue(QStringLiteral("\u0662\u0660\u0660")), std::nullopt);  // other digits
}

struct ClassCase {
    const char* name;
    const char* code;
    bool ok;
    const char* alert;
    const char* text;
};
inline void PrintTo(const ClassCase& c, std::ostream* os) {
    *os << c.name;
}

class ClassifyOddCodesTest : public ::testing::TestWithParam<ClassCase> {};

// Codes the probe never produces, but which the table still orders: the
// rows are tried from the top and compared by value.
TEST_P(ClassifyOddCodesTest, FollowsTheRowOrder) {
    const ProbeOutcome o = ClassifyStatusCode(QString::fromLatin1(GetParam().code));
    EXPECT_EQ(o.ok, GetParam().ok);
    EXPECT_EQ(o.alertCode, QString::fromLatin1(GetParam().alert));
    EXPECT_EQ(o.resultText, QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ClassifyOddCodesTest,
    ::testing::Values(ClassCase{"ZeroText", "000", false, "0", "Unrecognized Reponse Code"},
                      ClassCase{"ExponentOf200", "2e2", true, "", ""},
                      ClassCase{"TwoDigits", "20", false, "0", "Unrecognized Response Code"},
                      ClassCase{"NotANumber", "2x4", false, "0", "Unrecognized Response Code"},
                      ClassCase{"Fraction", "1.5", false, "1xx",
                                "1xx Informational Response Received"},
                      ClassCase{"Negative", "-12", false, "0", "Unrecognized Response Code"},
                      ClassCase{"SixHundred", "600", false, "0", "Unrecognized Response Code"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelTimeText, TwelveHourClockWithDesignator) {
    const QLocale c = QLocale::c();
    const QDate d(2026, 12, 7);
    EXPECT_EQ(PanelTimeText(QDateTime(d, QTime(10, 15, 30)), c), QStringLiteral("10:15:30 AM"));
    EXPECT_EQ(PanelTimeText(QDateTime(d, QTime(0, 0, 0)), c), QStringLiteral("12:00:00 AM"));
    EXPECT_EQ(PanelTimeText(QDateTime(d, QTime(12, 5, 9)), c), QStringLiteral("12:05:09 PM"));
    EXPECT_EQ(PanelTimeText(QDateTime(d, QTime(23, 59, 1)), c), QStringLiteral("11:59:01 PM"));
}

TEST(PanelTimeText, TheOptionsDialogWritesTheDesignatorInLowerCase) {
    const QLocale c = QLocale::c();
    const QDate d(2026, 12, 7);
    EXPECT_EQ(LowerCasePanelTimeText(QDateTime(d, QTime(10, 15, 30)), c),
              QStringLiteral("10:15:30 am"));
    EXPECT_EQ(LowerCasePanelTimeText(QDateTime(d, QTime(0, 0, 0)), c),
              QStringLiteral("12:00:00 am"));
    EXPECT_EQ(LowerCasePanelTimeText(QDateTime(d, QTime(13, 5, 9)), c),
              QStringLiteral("1:05:09 pm"));
}

}  // namespace
}  // namespace ossivant
