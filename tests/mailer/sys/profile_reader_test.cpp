#include "mailer/sys/profile_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

constexpr const char* kIni =
    "; settings\r\n"
    "[other]\r\n"
    "LogLevel=9\r\n"
    "  [ Program ]  \r\n"
    "loglevel   =   12abc  \r\n"
    "Mailer = \"  Quoted Mailer  \"\r\n"
    "Plain=  two words  \r\n"
    "Single='x'\r\n"
    "Empty=\r\n"
    "Negative= -5\r\n"
    "Letters=abc\r\n"
    "LOGLEVEL=3\r\n"
    "no equals sign\r\n"
    ";Commented=1\r\n"
    "[PROGRAM]\r\n"
    "Late=1\r\n";

class ProfileReader : public testing::Test {
protected:
    test::ScratchDir dir_;
    std::string path_ = dir_.Write("q3.ini", kIni);
};

TEST_F(ProfileReader, ReadsStringsWithProfileRules) {
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "MAILER", "d", 259), "  Quoted Mailer  ");
    EXPECT_EQ(ReadProfileString(path_, "program", "plain", "d", 259), "two words");
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "Single", "d", 259), "x");
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "Empty", "d", 259), "");
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "Plain", "d", 3), "two");
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "Missing", "dflt", 259), "dflt");
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "Commented", "d", 259), "d");
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "no equals sign", "d", 259), "d");
    // Only the first section of a name counts.
    EXPECT_EQ(ReadProfileString(path_, "PROGRAM", "Late", "d", 259), "d");
    EXPECT_EQ(ReadProfileString(path_, "Nowhere", "Plain", "d", 259), "d");
    EXPECT_EQ(ReadProfileString(dir_.File("missing.ini"), "PROGRAM", "MAILER", "", 259), "");
}

TEST_F(ProfileReader, ReadsIntegersFromLeadingDigits) {
    EXPECT_EQ(ReadProfileInt(path_, "PROGRAM", "LOGLEVEL", 7), 12);  // first key wins
    EXPECT_EQ(ReadProfileInt(path_, "other", "LOGLEVEL", 7), 9);
    EXPECT_EQ(ReadProfileInt(path_, "PROGRAM", "Negative", 7), -5);
    EXPECT_EQ(ReadProfileInt(path_, "PROGRAM", "Letters", 7), 0);
    EXPECT_EQ(ReadProfileInt(path_, "PROGRAM", "Empty", 7), 7);
    EXPECT_EQ(ReadProfileInt(path_, "PROGRAM", "Missing", 7), 7);
    EXPECT_EQ(ReadProfileInt(dir_.File("missing.ini"), "PROGRAM", "LOGLEVEL", 0), 0);
}

TEST(ConfigurationFilePath, ComesFromTheEnvironmentOrEtc) {
    ::setenv("QUORVANE3_INI", "/some/where.ini", 1);
    EXPECT_EQ(ConfigurationFilePath(), "/some/where.ini");
    ::setenv("QUORVANE3_INI", "", 1);
    EXPECT_EQ(ConfigurationFilePath(), "/etc/quorvane3.ini");
    ::unsetenv("QUORVANE3_INI");
    EXPECT_EQ(ConfigurationFilePath(), "/etc/quorvane3.ini");
}

}  // namespace
}  // namespace quorvane3
