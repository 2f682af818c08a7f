#include "mailer/mime/header_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane3 {
namespace {

struct HeaderRow {
    const char* name;
    uint32_t charsetCode;
    std::string text;
    std::string expected;
};
class HeaderTextRows : public testing::TestWithParam<HeaderRow> {};

TEST_P(HeaderTextRows, Encode) {
    EXPECT_EQ(EncodeHeaderText(GetParam().text, GetParam().charsetCode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeaderTextRows,
    testing::Values(
        HeaderRow{"SevenBitUnchanged", 0, "Weekly report = a_b?", "Weekly report = a_b?"},
        HeaderRow{"SevenBitUnchangedForJapanese", 128, "plain", "plain"},
        HeaderRow{"Latin1", 0, "Caf\xE9 au lait?", "=?iso-8859-1?Q?Caf=E9_au_lait=3F?="},
        HeaderRow{"QSpecials", 163, "\xE9_=?\t", "=?iso-8859-1?Q?=E9=5F=3D=3F=09?="},
        HeaderRow{"PhraseSpecials", 222, "M\xFCller, H. <x>",
                  "=?iso-8859-1?Q?M=FCller=2C_H=2E_=3Cx=3E?="},
        HeaderRow{"SafeLiterals", 255, "\xE9!*+-/09Az", "=?iso-8859-1?Q?=E9!*+-/09Az?="},
        HeaderRow{"Greek", 161, "\xE1", "=?iso-8859-7?Q?=E1?="},
        HeaderRow{"Turkish", 162, "\xFD", "=?iso-8859-9?Q?=FD?="},
        HeaderRow{"Latin2", 130, "\xB1", "=?iso-8859-2?Q?=B1?="},
        HeaderRow{"Latin2Russian", 204, "\xB1", "=?iso-8859-2?Q?=B1?="},
        HeaderRow{"Korean", 129, "\xB0\xA1", "=?EUC-KR?B?sKE=?="},
        HeaderRow{"Chinese", 134, "\xB0\xA1", "=?gb2312?B?sKE=?="},
        HeaderRow{"Big5", 136, "\xB0\xA1", "=?big5?B?sKE=?="},
        HeaderRow{"Japanese", 128, "\x82\xA0", "=?iso-2022-jp?B?GyRCJCIbKEo=?="},
        HeaderRow{"OtherCharsetUnchanged", 186, "\xE9t\xE9", "\xE9t\xE9"},
        HeaderRow{"EndsAtNul", 0, std::string("ok\0\xE9", 4), "ok"}),
    [](const auto& info) { return std::string(info.param.name); });

// Splits "w1<join>w2..." into words, checking each is a whole encoded word.
std::vector<std::string> Words(const std::string& encoded, const std::string& join) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = encoded.find(join, start);
        words.push_back(encoded.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + join.size();
    }
    return words;
}

std::string DecodeQ(const std::string& word, const std::string& open) {
    EXPECT_TRUE(word.starts_with(open)) << word;
    EXPECT_TRUE(word.ends_with("?=")) << word;
    std::string bytes;
    for (std::size_t i = open.size(); i + 2 < word.size(); ++i) {
        if (word[i] == '=') {
            bytes += char(std::stoi(word.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += word[i] == '_' ? ' ' : word[i];
        }
    }
    return bytes;
}

TEST(HeaderText, LongQTextBecomesSeveralWholeWordsOfAtMost75) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += i % 3 == 0 ? "\xE9" : (i % 3 == 1 ? " " : "x");
    for (const auto& [join, separator] :
         {std::pair{WordJoin::kFold, std::string("\n ")}, std::pair{WordJoin::kBlank, std::string(" ")}}) {
        const std::string encoded = EncodeHeaderText(text, 0, join);
        const auto words = Words(encoded, separator);
        ASSERT_GT(words.size(), 1u);
        std::string decoded;
        for (const auto& word : words) {
            EXPECT_LE(word.size(), kMaxEncodedWord) << word;
            EXPECT_EQ(word.find_first_of(" \n"), std::string::npos);
            decoded += DecodeQ(word, "=?iso-8859-1?Q?");
        }
        EXPECT_EQ(decoded, text);
    }
    // 19 escapes (57 characters) fill a word: the 20th starts the next one.
    std::string nineteen;
    for (int i = 0; i < 19; ++i) nineteen += "=E9";
    EXPECT_EQ(EncodeHeaderText(std::string(20, '\xE9'), 0),
              "=?iso-8859-1?Q?" + nineteen + "?=\n =?iso-8859-1?Q?=E9?=");
}

TEST(HeaderText, BWordCarriesAtMost102Bytes) {
    std::string payload;
    for (int i = 0; i < 34; ++i) payload += "sLCw";  // 102 bytes of 0xB0
    EXPECT_EQ(EncodeHeaderText(std::string(200, '\xB0'), 129), "=?EUC-KR?B?" + payload + "?=");
}

TEST(HeaderText, AppendsToWhatIsThere) {
    std::string line = "Subject: ";
    EncodeHeaderText(line, "\xE9", 0);
    EXPECT_EQ(line, "Subject: =?iso-8859-1?Q?=E9?=");
}

}  // namespace
}  // namespace quorvane3
