#include "mailer/mime/quoted_printable.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane3 {
namespace {

struct QpRow {
    std::string input;
    std::string expected;
};
class QuotedPrintableRows : public testing::TestWithParam<QpRow> {};

TEST_P(QuotedPrintableRows, Encode) {
    EXPECT_EQ(EncodeQuotedPrintable(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QuotedPrintableRows,
    testing::Values(QpRow{"a b", "a b"}, QpRow{"a ", "a=20"}, QpRow{"x=y", "x=3Dy"},
                    QpRow{"\xE9", "=E9"}, QpRow{"", ""}, QpRow{"!~<>", "!~<>"},
                    QpRow{"\x7F\x80\xFF", "=7F=80=FF"},
                    QpRow{"line\r\nnext", "line=0D=0Anext"},
                    // A blank before a line break stays; only the final run is escaped.
                    QpRow{"a \nb", "a =0Ab"}, QpRow{"a\tb \t", "a\tb=20=09"},
                    QpRow{" \t", "=20=09"}, QpRow{std::string("ab\0 c", 5), "ab"}));

TEST(QuotedPrintable, SoftBreakAfterSeventyFiveCharactersWhenMoreInputFollows) {
    EXPECT_EQ(EncodeQuotedPrintable(std::string(100, 'a')),
              std::string(75, 'a') + "=\n" + std::string(25, 'a'));
    EXPECT_EQ(EncodeQuotedPrintable(std::string(75, 'a')), std::string(75, 'a'));
    EXPECT_EQ(EncodeQuotedPrintable(std::string(76, 'a')), std::string(75, 'a') + "=\na");
    // An escape that crosses 75 ends the line after itself.
    EXPECT_EQ(EncodeQuotedPrintable(std::string(73, 'a') + "\xE9" + "b"),
              std::string(73, 'a') + "=E9=\nb");
    EXPECT_EQ(EncodeQuotedPrintable(std::string(160, 'a')),
              std::string(75, 'a') + "=\n" + std::string(75, 'a') + "=\n" + std::string(10, 'a'));
}

TEST(QuotedPrintable, SmallBufferStopsEarlyAndStaysTerminated) {
    const std::string input(40, '\xE9');
    for (std::size_t size = 0; size <= 40; ++size) {
        std::string buffer(size + 8, '#');
        const std::size_t length = EncodeQuotedPrintable(input, buffer.data(), size);
        if (size == 0) {
            EXPECT_EQ(buffer[0], '#');
            continue;
        }
        ASSERT_LT(length, size);
        EXPECT_EQ(buffer[length], '\0');
        EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "wrote past the buffer";
        EXPECT_EQ(length % 3, 0u);
    }
    char buffer[10];
    EXPECT_EQ(EncodeQuotedPrintable("\xE9\xE9\xE9", buffer, sizeof buffer), 6u);
    EXPECT_STREQ(buffer, "=E9=E9");
}

}  // namespace
}  // namespace quorvane3
