#include "mailer/mime/shift_jis.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane3 {
namespace {

const std::string kToJis = "\x1B$B";
const std::string kToAscii = "\x1B(J";

struct JisRow {
    const char* name;
    std::string input;
    std::string expected;
};
class ShiftJisRows : public testing::TestWithParam<JisRow> {};

TEST_P(ShiftJisRows, Convert) {
    EXPECT_EQ(ConvertShiftJisToJis(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShiftJisRows,
    testing::Values(
        JisRow{"Ascii", "plain text", "plain text"}, JisRow{"Empty", "", ""},
        JisRow{"Hiragana", "A\x82\xA0" "B", "A" + kToJis + "\x24\x22" + kToAscii + "B"},
        JisRow{"TrailBelow80", "\x88\x9F", kToJis + "\x30\x21" + kToAscii},
        JisRow{"Trail80To9E", "\x81\x80", kToJis + "\x21\x60" + kToAscii},
        JisRow{"LeadE0", "\xE0\x40\xEA\xA4", kToJis + "\x5F\x21\x74\x26" + kToAscii},
        JisRow{"KanjiThenKanaNoNewEscape", "\x88\x9F\xB1", kToJis + "\x30\x21\x25\x22" + kToAscii},
        JisRow{"Voiced", "\xB6\xDE", kToJis + "\x25\x2C" + kToAscii},
        JisRow{"SemiVoiced", "\xCA\xDF", kToJis + "\x25\x51" + kToAscii},
        JisRow{"LoneMarks", "\xDE" "a\xDF", kToJis + "!!" + kToAscii + "a" + kToJis + "!!" + kToAscii},
        JisRow{"MarkAfterMark", "\xDE\xDF", kToJis + "!!" + kToAscii},
        // The prolonged sound mark is the table's last entry: a mark after it
        // cannot be joined and stands alone.
        JisRow{"MarkAfterLastEntry", "\xB0\xDE\xA5\xDF",
               kToJis + "\x21\x3C" "!!" "\x21\x26" "!!" + kToAscii},
        JisRow{"OtherHighBytesAreSingle", "\x80\x85\xEB\xFF", "\x80\x85\xEB\xFF"},
        JisRow{"LeadWithoutTrail", "A\x82", "A"},
        JisRow{"LeadBeforeNul", std::string("A\x82\0\xA0", 4), "A"},
        JisRow{"KanaLast", "x\xB1", "x" + kToJis + "\x25\x22" + kToAscii}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShiftJis, EveryHalfWidthKatakanaMapsToItsFullWidthForm) {
    std::string input;
    for (int c = 0xA1; c <= 0xDD; ++c) input += char(c);
    const std::string expected =
        "\x21\x23\x21\x56\x21\x57\x21\x22\x21\x26\x25\x72\x25\x21\x25\x23\x25\x25\x25\x27\x25\x29"
        "\x25\x63\x25\x65\x25\x67\x25\x43\x21\x3C\x25\x22\x25\x24\x25\x26\x25\x28\x25\x2A\x25\x2B"
        "\x25\x2D\x25\x2F\x25\x31\x25\x33\x25\x35\x25\x37\x25\x39\x25\x3B\x25\x3D\x25\x3F\x25\x41"
        "\x25\x44\x25\x46\x25\x48\x25\x4A\x25\x4B\x25\x4C\x25\x4D\x25\x4E\x25\x4F\x25\x52\x25\x55"
        "\x25\x58\x25\x5B\x25\x5E\x25\x5F\x25\x60\x25\x61\x25\x62\x25\x64\x25\x66\x25\x68\x25\x69"
        "\x25\x6A\x25\x6B\x25\x6C\x25\x6D\x25\x6F\x25\x73";
    EXPECT_EQ(ConvertShiftJisToJis(input), kToJis + expected + kToAscii);
}

TEST(ShiftJis, VoicedAndSemiVoicedKanaJoinTheirMark) {
    const std::string input =
        "\xB6\xDE\xB7\xDE\xB8\xDE\xB9\xDE\xBA\xDE\xBB\xDE\xBC\xDE\xBD\xDE\xBE\xDE\xBF\xDE\xC0\xDE"
        "\xC1\xDE\xC2\xDE\xC3\xDE\xC4\xDE\xCA\xDE\xCB\xDE\xCC\xDE\xCD\xDE\xCE\xDE\xCA\xDF\xCB\xDF"
        "\xCC\xDF\xCD\xDF\xCE\xDF";
    const std::string expected =
        "\x25\x2C\x25\x2E\x25\x30\x25\x32\x25\x34\x25\x36\x25\x38\x25\x3A\x25\x3C\x25\x3E\x25\x40"
        "\x25\x42\x25\x45\x25\x47\x25\x49\x25\x50\x25\x53\x25\x56\x25\x59\x25\x5C\x25\x51\x25\x54"
        "\x25\x57\x25\x5A\x25\x5D";
    EXPECT_EQ(ConvertShiftJisToJis(input), kToJis + expected + kToAscii);
}

TEST(ShiftJis, SmallBufferStillEndsInSingleByteMode) {
    const std::string input = "a\x88\x9F" "b\xB6\xDE" "c\x82\xA0\x82\xA2";
    const std::string whole = ConvertShiftJisToJis(input);
    for (std::size_t size = 1; size <= whole.size() + 1; ++size) {
        std::string buffer(size + 8, '#');
        const std::size_t length = ConvertShiftJisToJis(input, buffer.data(), size);
        ASSERT_LT(length, size);
        EXPECT_EQ(buffer[length], '\0');
        EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "wrote past the buffer";
        const std::string out = buffer.substr(0, length);
        if (out.rfind(kToJis) != std::string::npos) {
            EXPECT_GT(out.rfind(kToAscii), out.rfind(kToJis)) << "size " << size;
        }
        EXPECT_EQ(whole.compare(0, out.size() - (out.ends_with(kToAscii) ? 3 : 0), out, 0,
                                out.size() - (out.ends_with(kToAscii) ? 3 : 0)),
                  0)
            << "a cut result is a prefix of the whole one";
    }
}

}  // namespace
}  // namespace quorvane3
