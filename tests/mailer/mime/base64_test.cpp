#include "mailer/mime/base64.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

std::string Text64(std::string_view text) {
    char out[kBase64TextBuffer];
    EXPECT_EQ(EncodeBase64Text(text, out, sizeof out), kBase64More);
    return out;
}

TEST(Base64Text, EncodesWithPadding) {
    EXPECT_EQ(Text64("abc"), "YWJj");
    EXPECT_EQ(Text64("ab"), "YWI=");
    EXPECT_EQ(Text64("a"), "YQ==");
    EXPECT_EQ(Text64(""), "");
    EXPECT_EQ(Text64("\xFF\xFE\xFD"), "//79");
    EXPECT_EQ(Text64(std::string("ab\0cd", 5)), "YWI=");
}

TEST(Base64Text, EncodesOnlyTheFirst102Bytes) {
    const std::string cut = Text64(std::string(200, '\xB0'));
    EXPECT_EQ(cut.size(), 136u);
    EXPECT_EQ(cut, Text64(std::string(102, '\xB0')));
    EXPECT_EQ(Text64(std::string(101, 'a')).size(), 136u);
    EXPECT_EQ(Text64(std::string(101, 'a')).substr(132), "YWE=");
}

TEST(Base64Text, RefusesASmallBuffer) {
    char out[136] = "untouched";
    EXPECT_EQ(EncodeBase64Text("abc", out, sizeof out), kBase64BufferSmall);
    EXPECT_STREQ(out, "untouched");
}

std::vector<std::string> FileLines(const std::string& path, int* lastResult) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    std::vector<std::string> lines;
    char line[kBase64LineBuffer];
    int result;
    while ((result = EncodeBase64File(file, line, sizeof line)) == kBase64More) lines.push_back(line);
    EXPECT_EQ(file, nullptr) << "the file is closed at the end";
    EXPECT_STREQ(line, "");
    *lastResult = result;
    return lines;
}

TEST(Base64File, WritesLinesOf68CharactersAndAShortLast) {
    test::ScratchDir dir;
    std::string data;
    for (int i = 0; i < 52; ++i) data += char(i);
    int result = -1;
    EXPECT_EQ(FileLines(dir.Write("52", data), &result),
              (std::vector<std::string>{
                  "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEy", "Mw=="}));
    EXPECT_EQ(result, kBase64End);
    EXPECT_EQ(FileLines(dir.Write("51", data.substr(0, 51)), &result).size(), 1u);
    EXPECT_TRUE(FileLines(dir.Write("0", ""), &result).empty());
    EXPECT_EQ(result, kBase64End);
}

TEST(Base64File, RefusesASmallLineBufferAndANullFileEnds) {
    test::ScratchDir dir;
    std::FILE* file = std::fopen(dir.Write("f", "abc").c_str(), "rb");
    char line[kBase64LineBuffer] = "untouched";
    EXPECT_EQ(EncodeBase64File(file, line, 68), kBase64BufferSmall);
    EXPECT_STREQ(line, "untouched");
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(EncodeBase64File(file, line, sizeof line), kBase64More);
    EXPECT_STREQ(line, "YWJj");
    EXPECT_EQ(EncodeBase64File(file, line, sizeof line), kBase64End);
    EXPECT_EQ(EncodeBase64File(file, line, sizeof line), kBase64End);
}

}  // namespace
}  // namespace quorvane3
