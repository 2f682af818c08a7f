// ossivant-reg export and import: the file format, round trips, deletions
// and files it must refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "monitor/platform/registry.h"
#include "tests/monitor/platform/registry_test_util.h"
#include "tests/regtool/run_tool.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A key with every kind of value the format has a form for.
void fillSample(const std::string& path) {
    Registry reg(path);
    HKEY key = 0;
    ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Sample", &key), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, key, "Path", "C:\\logs \"daily\""), ERROR_SUCCESS);
    ASSERT_EQ(setDword(reg, key, "Interval", 60), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, key, "", "unnamed"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, key, "Na\"me\\", ""), ERROR_SUCCESS);
    const std::string twoLines = std::string("a\r\nb", 4) + '\0';
    ASSERT_EQ(reg.SetValueEx(key, "TwoLines", REG_SZ, reinterpret_cast<const std::uint8_t*>(twoLines.data()), 5),
              ERROR_SUCCESS);
    const std::string multi("x\0y\0\0", 5);
    ASSERT_EQ(reg.SetValueEx(key, "Multi", 7, reinterpret_cast<const std::uint8_t*>(multi.data()), 5),
              ERROR_SUCCESS);
    std::string longData;
    for (int i = 0; i < 40; ++i) longData.push_back(static_cast<char>(i));
    ASSERT_EQ(reg.SetValueEx(key, "Long", REG_BINARY, reinterpret_cast<const std::uint8_t*>(longData.data()), 40),
              ERROR_SUCCESS);
    ASSERT_EQ(reg.SetValueEx(key, "Nothing", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    HKEY sub = 0;
    ASSERT_EQ(reg.CreateKeyEx(key, "Sub", &sub), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, sub, "Ünïcode", "wert ✓"), ERROR_SUCCESS);
    ASSERT_EQ(reg.CreateKeyEx(HKEY_CURRENT_USER, "Software\\Elsewhere", &sub), ERROR_SUCCESS);
}

const char* const kSampleExport =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Sample]\r\n"
    "\"Path\"=\"C:\\\\logs \\\"daily\\\"\"\r\n"
    "\"Interval\"=dword:0000003c\r\n"
    "@=\"unnamed\"\r\n"
    "\"Na\\\"me\\\\\"=\"\"\r\n"
    "\"TwoLines\"=hex(1):61,0d,0a,62,00\r\n"
    "\"Multi\"=hex(7):78,00,79,00,00\r\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
    "\"Nothing\"=hex:\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Sample\\Sub]\r\n"
    "\"Ünïcode\"=\"wert ✓\"\r\n"
    "\r\n";

class RegToolFileTest : public ::testing::Test {
protected:
    std::string exportFile() const { return temp.dir().file("out.reg"); }

    TempRegistry temp;
};

TEST_F(RegToolFileTest, ExportWritesEveryKindOfValueInTheFileFormat) {
    fillSample(temp.path());
    const ToolRun r = runTool(temp.path(), {"export", "HKLM\\Software\\Pelgrade\\Ossivant\\Sample", exportFile()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(slurp(exportFile()), kSampleExport);
    EXPECT_FALSE(std::filesystem::exists(exportFile() + ".tmp"));
}

TEST_F(RegToolFileTest, ImportIntoAnEmptyRegistryGivesBackTheSameKeys) {
    fillSample(temp.path());
    ASSERT_EQ(runTool(temp.path(), {"export", "HKLM\\Software", exportFile()}).exitCode, 0);

    TempRegistry copy;
    const ToolRun r = runTool(copy.path(), {"import", exportFile()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "The operation completed successfully.\n");
    const std::string again = temp.dir().file("again.reg");
    ASSERT_EQ(runTool(copy.path(), {"export", "HKEY_LOCAL_MACHINE\\Software", again}).exitCode, 0);
    EXPECT_EQ(slurp(again), slurp(exportFile()));

    // Types and bytes, the NUL of strings included, are as they were.
    Registry reg(copy.path());
    HKEY key = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Sample", &key), ERROR_SUCCESS);
    std::int32_t status = 0;
    std::uint32_t type = 0;
    EXPECT_EQ(rawValue(reg, key, "Path", &status, &type), std::string("C:\\logs \"daily\"\0", 16));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(rawValue(reg, key, "Multi", &status, &type), std::string("x\0y\0\0", 5));
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(rawValue(reg, key, "Nothing", &status, &type), "");
    EXPECT_EQ(type, REG_BINARY);
    HKEY other = 0;
    EXPECT_EQ(reg.OpenKeyEx(HKEY_CURRENT_USER, "Software\\Elsewhere", &other), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegToolFileTest, ImportAppliesDeletionsAndReadsEitherLineEnd) {
    fillSample(temp.path());
    const std::string file = temp.dir().file("change.reg");
    writeFile(file,
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
              "\n"
              "; a comment\n"
              "[-HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Sample\\Sub]\n"
              "\"Ignored\"=\"under a deleted key\"\n"
              "[-HKLM\\Software\\NeverThere]\n"
              "\n"
              "[hkey_local_machine\\software\\pelgrade\\ossivant\\sample]\r\n"
              "\"PATH\"=-\r\n"
              "\"NeverThere\"=-\n"
              "\"Interval\"=DWORD:FFFFFFFF\n"
              "  \"Bytes\" = hex:0a, 0B,\\\n"
              "      0c\n"
              "@=-\n"
              "[HKEY_CURRENT_USER\\Software\\New\\Deeper]\n"
              "\"Typed\"=hex(b):01,00,00,00,00,00,00,00\n");
    const ToolRun r = runTool(temp.path(), {"import", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    Registry reg(temp.path());
    HKEY key = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Sample", &key), ERROR_SUCCESS);
    EXPECT_TRUE(subkeys(reg, key).empty());
    EXPECT_EQ(valueNames(reg, key),
              (std::vector<std::string>{"Interval", "Na\"me\\", "TwoLines", "Multi", "Long", "Nothing", "Bytes"}));
    std::int32_t status = 0;
    EXPECT_EQ(rawValue(reg, key, "Interval", &status), std::string("\xFF\xFF\xFF\xFF", 4));
    EXPECT_EQ(rawValue(reg, key, "Bytes", &status), "\x0a\x0b\x0c");
    ASSERT_EQ(reg.OpenKeyEx(HKEY_CURRENT_USER, "Software\\New\\Deeper", &key), ERROR_SUCCESS);
    std::uint32_t type = 0;
    EXPECT_EQ(rawValue(reg, key, "Typed", &status, &type), std::string("\x01\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(type, 11u);
}

TEST_F(RegToolFileTest, ImportReadsUtf16Files) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wide]\r\n\"Name\"=\"Größe ✓\"\r\n";
    // UTF-8 to UTF-16LE, for the characters used above.
    std::string wide = "\xFF\xFE";
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t cp = b;
        int len = 1;
        if (b >= 0xE0) {
            cp = ((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            len = 3;
        } else if (b >= 0xC0) {
            cp = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F);
            len = 2;
        }
        wide.push_back(static_cast<char>(cp & 0xFF));
        wide.push_back(static_cast<char>(cp >> 8));
        i += static_cast<std::size_t>(len);
    }
    const std::string file = temp.dir().file("wide.reg");
    writeFile(file, wide);
    ASSERT_EQ(runTool(temp.path(), {"import", file}).exitCode, 0);
    const ToolRun r = runTool(temp.path(), {"query", "HKCU\\Software\\Wide"});
    EXPECT_EQ(r.out, "\nHKEY_CURRENT_USER\\Software\\Wide\n    Name    REG_SZ    Größe ✓\n\n");
}

struct BadFile {
    const char* label;
    std::string text;
    const char* message;
};

// Test names in CTest show the row label, not the bytes of the row.
void PrintTo(const BadFile& row, std::ostream* os) { *os << row.label; }

class RegToolBadFileTest : public RegToolFileTest, public ::testing::WithParamInterface<BadFile> {};

// The whole file is checked before anything is written, so a fault on a late
// line leaves the registry as it was.
TEST_P(RegToolBadFileTest, IsRefusedWithItsLineAndNothingIsImported) {
    const std::string file = temp.dir().file("bad.reg");
    writeFile(file, GetParam().text);
    ASSERT_EQ(runTool(temp.path(), {"add", "HKLM\\Software\\Kept", "/v", "v", "/d", "x"}).exitCode, 0);
    const std::string before = runTool(temp.path(), {"query", "HKLM", "/s"}).out;

    const ToolRun r = runTool(temp.path(), {"import", file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(runTool(temp.path(), {"query", "HKLM", "/s"}).out, before);
}

const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\New]\r\n"
                          "\"Good\"=\"value\"\r\n[-HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, RegToolBadFileTest,
    ::testing::Values(
        BadFile{"Empty", "", "not a registry export file"},
        BadFile{"NoHeader", "[HKEY_LOCAL_MACHINE\\Software]\r\n", "not a registry export file"},
        BadFile{"BinaryGarbage", std::string("\x00\x01\x02garbage", 10), "not a registry export file"},
        BadFile{"ValueBeforeKey", "Windows Registry Editor Version 5.00\r\n\"a\"=\"b\"\r\n", "line 2"},
        BadFile{"UnknownHive", kHead + "[HKEY_USERS\\Software]\r\n", "line 6: unknown hive"},
        BadFile{"UnclosedKey", kHead + "[HKEY_LOCAL_MACHINE\\Software\r\n", "line 6: a key line must end with ]"},
        BadFile{"DeleteHive", kHead + "[-HKEY_CURRENT_USER]\r\n", "line 6: a hive cannot be deleted"},
        BadFile{"BadEscape", kHead + "\"a\"=\"C:\\temp\"\r\n", "line 6: only"},
        BadFile{"UnclosedQuote", kHead + "\"a\"=\"text\r\n", "line 6: a closing quote is missing"},
        BadFile{"TextAfterQuote", kHead + "\"a\"=\"text\" more\r\n", "line 6: unexpected text"},
        BadFile{"NoEquals", kHead + "\"a\" \"b\"\r\n", "line 6: = is missing"},
        BadFile{"LongDword", kHead + "\"a\"=dword:123456789\r\n", "line 6: dword:"},
        BadFile{"BadHexByte", kHead + "\"a\"=hex:01,2g\r\n", "line 6: hex data"},
        BadFile{"ShortHexDword", kHead + "\"a\"=hex(4):01,02\r\n", "line 6: hex(4) data must be 4 bytes"},
        BadFile{"UnknownForm", kHead + "\"a\"=qword:1\r\n", "line 6: the data must be"},
        BadFile{"BrokenUtf16", std::string("\xFF\xFE\x00\xD8", 4), "not valid UTF-16"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegToolFileTest, ExportAndImportFailuresAreReported) {
    fillSample(temp.path());
    ToolRun r = runTool(temp.path(), {"export", "HKLM\\Software\\Nothing", exportFile()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("unable to find"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(exportFile()));

    r = runTool(temp.path(), {"export", "HKLM\\Software", temp.dir().file("no/such/folder/out.reg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);

    r = runTool(temp.path(), {"import", temp.dir().file("missing.reg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos);

    // An existing file is replaced only when the operator agrees (or /y).
    writeFile(exportFile(), "keep me");
    r = runTool(temp.path(), {"export", "HKLM\\Software", exportFile()}, "n\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(slurp(exportFile()), "keep me");
    r = runTool(temp.path(), {"export", "HKLM\\Software", exportFile(), "/y"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(slurp(exportFile()).rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
}

}  // namespace
}  // namespace ossivant::test
