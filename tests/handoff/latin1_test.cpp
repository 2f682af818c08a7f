#include "handoff/latin1.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
    const char* name;
    std::string utf8;
    std::string latin1;
};

void PrintTo(const Conversion& conversion, std::ostream* out) {
    *out << conversion.name;
}

class Utf8ToLatin1Test : public ::testing::TestWithParam<Conversion> {};

TEST_P(Utf8ToLatin1Test, Converts) {
    EXPECT_EQ(handoff::Utf8ToLatin1(GetParam().utf8), GetParam().latin1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToLatin1Test,
    ::testing::Values(Conversion{"Ascii", "Site down\r\n200 OK, ~{}", "Site down\r\n200 OK, ~{}"},
                      Conversion{"Empty", "", ""},
                      Conversion{"TwoByteLatin", "caf\xC3\xA9 \xC3\x84rger \xC2\xA0",
                                 "caf\xE9 \xC4rger \xA0"},
                      Conversion{"HighestLatin", "\xC3\xBF", "\xFF"},
                      Conversion{"C1Control", "\xC2\x80\xC2\x9F", "\x80\x9F"},
                      Conversion{"FirstBeyondLatin", "\xC4\x80", "?"},
                      Conversion{"EuroSign", "5 \xE2\x82\xAC", "5 ?"},
                      Conversion{"FourByte", "a\xF0\x9F\x98\x80z", "a?z"},
                      Conversion{"StrayContinuation",
                                 "a\x80\xBF"
                                 "b",
                                 "a??b"},
                      Conversion{"LeadNeverValid", "\xC0\xAF\xC1\xBF\xF5\x80\xFF", "???????"},
                      Conversion{"OverlongThreeByte", "\xE0\x80\xAF", "???"},
                      Conversion{"Surrogate", "\xED\xA0\x80", "???"},
                      Conversion{"AboveUnicode", "\xF4\x90\x80\x80", "????"},
                      Conversion{"LastScalar", "\xF4\x8F\xBF\xBF", "?"},
                      Conversion{"CutShortAtEnd", "ab\xE2\x82", "ab?"},
                      Conversion{"CutShortBeforeAscii",
                                 "\xE2\x82"
                                 "b\xC3",
                                 "?b?"},
                      Conversion{"CutShortBeforeLead", "\xF0\x9F\xC3\xA9", "?\xE9"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
