#include "monitor/platform/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "tests/monitor/platform/registry_test_util.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

class RegistryTest : public ::testing::Test {
protected:
    HKEY create(const std::string& path, HKEY parent = HKEY_LOCAL_MACHINE) {
        HKEY key = 0;
        EXPECT_EQ(reg.CreateKeyEx(parent, path, &key), ERROR_SUCCESS) << path;
        return key;
    }

    TempRegistry temp;
    Registry reg{temp.path()};
};

TEST_F(RegistryTest, KeysAreCreatedWithTheirParentsAndFoundWithoutRegardToCase) {
    const HKEY made = create("Software\\Pelgrade\\Ossivant\\Settings\\Timer");
    EXPECT_EQ(reg.CloseKey(made), ERROR_SUCCESS);

    HKEY opened = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\pelgrade\\OSSIVANT\\settings\\timer", &opened),
              ERROR_SUCCESS);
    // Creating an existing key opens it and keeps its spelling.
    const HKEY again = create("software\\PELGRADE");
    EXPECT_EQ(subkeys(reg, again), std::vector<std::string>{"Ossivant"});
    EXPECT_EQ(subkeys(reg, HKEY_LOCAL_MACHINE), std::vector<std::string>{"Software"});

    HKEY missing = 0;
    EXPECT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Nothing", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.OpenKeyEx(opened, "", &missing), ERROR_SUCCESS);  // the same key again
    EXPECT_NE(missing, opened);
}

TEST_F(RegistryTest, TheTwoHivesAreSeparate) {
    const HKEY lm = create("Software\\Shared");
    ASSERT_EQ(setDword(reg, lm, "Where", 1), ERROR_SUCCESS);
    HKEY cu = 0;
    EXPECT_EQ(reg.OpenKeyEx(HKEY_CURRENT_USER, "Software\\Shared", &cu), ERROR_FILE_NOT_FOUND);
    cu = create("Software\\Shared", HKEY_CURRENT_USER);
    std::int32_t status = 0;
    rawValue(reg, cu, "Where", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
    const HKEY key = create("Software\\Values");
    ASSERT_EQ(setString(reg, key, "Text", "abc"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(reg, key, "Number", 0x0102A0B0), ERROR_SUCCESS);
    const std::uint8_t bin[3] = {0x00, 0xFF, 0x10};
    ASSERT_EQ(reg.SetValueEx(key, "Blob", 7, bin, 3), ERROR_SUCCESS);
    ASSERT_EQ(reg.SetValueEx(key, "Empty", REG_BINARY, nullptr, 0), ERROR_SUCCESS);

    std::int32_t status = 0;
    std::uint32_t type = 0;
    EXPECT_EQ(rawValue(reg, key, "text", &status, &type), std::string("abc\0", 4));  // the NUL is counted
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(rawValue(reg, key, "NUMBER", &status, &type), std::string("\xB0\xA0\x02\x01", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(rawValue(reg, key, "Blob", &status, &type), std::string("\x00\xFF\x10", 3));
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(rawValue(reg, key, "Empty", &status, &type), "");
    EXPECT_EQ(status, ERROR_SUCCESS);
}

TEST_F(RegistryTest, QueryReportsTheSizeAndRefusesASmallBuffer) {
    const HKEY key = create("Software\\Values");
    ASSERT_EQ(setString(reg, key, "Text", "hello"), ERROR_SUCCESS);

    std::uint32_t type = 99, size = 0;
    EXPECT_EQ(reg.QueryValueEx(key, "Text", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);

    std::uint8_t buffer[8] = {};
    size = 3;
    EXPECT_EQ(reg.QueryValueEx(key, "Text", &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[0], 0) << "nothing is copied into a buffer that is too small";

    size = sizeof buffer;
    EXPECT_EQ(reg.QueryValueEx(key, "Text", nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "hello");

    EXPECT_EQ(reg.QueryValueEx(key, "Text", nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.QueryValueEx(key, "Other", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, SubkeysEnumerateInNameOrderWithoutRegardToCase) {
    const HKEY key = create("Software\\Order");
    for (const char* name : {"beta", "Alpha", "gamma", "A_b", "AB", "Delta10", "delta2"}) {
        reg.CloseKey(create(name, key));
    }
    // Upper case is the form compared: "ALPHA" sorts before "A_B" ('L' < '_').
    EXPECT_EQ(subkeys(reg, key),
              (std::vector<std::string>{"AB", "Alpha", "A_b", "beta", "Delta10", "delta2", "gamma"}));
    std::string name;
    EXPECT_EQ(reg.EnumKey(key, 7, &name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(reg.EnumKey(key, 1000, &name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(reg.EnumKey(key, 2, &name), ERROR_SUCCESS);  // indices may be asked in any order
    EXPECT_EQ(name, "A_b");
}

TEST_F(RegistryTest, ValuesEnumerateInCreationOrderAndKeepTheirPlaceWhenRewritten) {
    const HKEY key = create("Software\\Order");
    for (const char* name : {"zeta", "Alpha", "mid", "Beta"}) ASSERT_EQ(setDword(reg, key, name, 1), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, key, "ALPHA", "now text"), ERROR_SUCCESS);
    ASSERT_EQ(reg.DeleteValue(key, "MID"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(reg, key, "mid", 2), ERROR_SUCCESS);

    EXPECT_EQ(valueNames(reg, key), (std::vector<std::string>{"zeta", "Alpha", "Beta", "mid"}));
    std::string name;
    std::uint32_t type = 0;
    ASSERT_EQ(reg.EnumValue(key, 1, &name, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(reg.EnumValue(key, 4, &name, &type), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(reg.DeleteValue(key, "mid"), ERROR_SUCCESS);
    EXPECT_EQ(reg.DeleteValue(key, "mid"), ERROR_FILE_NOT_FOUND);
}

// Enumeration continues from where the last index stopped; a change made in
// between, by this or another process, must not make it skip or repeat.
TEST_F(RegistryTest, EnumerationFollowsChangesMadeBetweenIndices) {
    const HKEY key = create("Software\\Order");
    for (const char* name : {"a", "b", "c", "d"}) {
        reg.CloseKey(create(name, key));
        ASSERT_EQ(setDword(reg, key, name, 0), ERROR_SUCCESS);
    }
    Registry other(temp.path());
    HKEY otherKey = 0;
    ASSERT_EQ(other.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Order", &otherKey), ERROR_SUCCESS);

    std::string name;
    ASSERT_EQ(reg.EnumKey(key, 0, &name), ERROR_SUCCESS);
    ASSERT_EQ(reg.EnumKey(key, 1, &name), ERROR_SUCCESS);
    ASSERT_EQ(other.DeleteKey(otherKey, "a"), ERROR_SUCCESS);
    ASSERT_EQ(reg.EnumKey(key, 2, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, "d");  // now b, c, d
    ASSERT_EQ(reg.DeleteKey(key, "b"), ERROR_SUCCESS);
    EXPECT_EQ(reg.EnumKey(key, 3, &name), ERROR_NO_MORE_ITEMS);

    ASSERT_EQ(reg.EnumValue(key, 0, &name, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(reg.EnumValue(key, 1, &name, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(other.DeleteValue(otherKey, "A"), ERROR_SUCCESS);
    ASSERT_EQ(reg.EnumValue(key, 2, &name, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(name, "d");
    ASSERT_EQ(setDword(reg, key, "e", 0), ERROR_SUCCESS);
    ASSERT_EQ(reg.EnumValue(key, 3, &name, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(name, "e");
}

TEST_F(RegistryTest, DeleteKeyRemovesOnlyAKeyWithoutSubkeys) {
    const HKEY parent = create("Software\\Tree");
    const HKEY child = create("Leaf", parent);
    ASSERT_EQ(setString(reg, child, "v", "x"), ERROR_SUCCESS);

    EXPECT_EQ(reg.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Tree"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.DeleteKey(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);  // a hive itself
    EXPECT_EQ(reg.DeleteKey(parent, "Nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.DeleteKey(parent, "LEAF"), ERROR_SUCCESS);
    EXPECT_EQ(reg.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Tree"), ERROR_SUCCESS);

    // A key made again under the old name starts empty.
    const HKEY remade = create("Software\\Tree\\Leaf");
    EXPECT_TRUE(valueNames(reg, remade).empty());
}

TEST_F(RegistryTest, AHandleFailsOnceClosedOrItsKeyDeleted) {
    const HKEY key = create("Software\\Gone");
    const HKEY second = create("Software\\Gone");
    std::string name;
    std::int32_t status = 0;

    EXPECT_EQ(reg.CloseKey(second), ERROR_SUCCESS);
    EXPECT_EQ(reg.CloseKey(second), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.EnumKey(second, 0, &name), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.CloseKey(12345), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.CloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    Registry other(temp.path());
    ASSERT_EQ(other.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Gone"), ERROR_SUCCESS);
    // Even a new key under the same name is not reached through the old handle.
    HKEY fresh = 0;
    ASSERT_EQ(other.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Gone", &fresh), ERROR_SUCCESS);
    EXPECT_EQ(setDword(reg, key, "v", 1), ERROR_INVALID_HANDLE);
    rawValue(reg, key, "v", &status);
    EXPECT_EQ(status, ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.EnumValue(key, 0, &name, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.DeleteValue(key, "v"), ERROR_INVALID_HANDLE);
    HKEY sub = 0;
    EXPECT_EQ(reg.CreateKeyEx(key, "Sub", &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.OpenKeyEx(key, "", &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.DeleteKey(key, "Sub"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.CloseKey(key), ERROR_SUCCESS);
}

struct BadPath {
    const char* label;
    std::string path;
};

// Test names in CTest show the row label, not the bytes of the row.
void PrintTo(const BadPath& row, std::ostream* os) { *os << row.label; }

class RegistryBadPathTest : public RegistryTest, public ::testing::WithParamInterface<BadPath> {};

TEST_P(RegistryBadPathTest, IsRefusedAsAnInvalidParameter) {
    HKEY key = 0;
    EXPECT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, GetParam().path, &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, GetParam().path, &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.DeleteKey(HKEY_LOCAL_MACHINE, GetParam().path), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(subkeys(reg, HKEY_LOCAL_MACHINE).empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, RegistryBadPathTest,
                         ::testing::Values(BadPath{"LeadingSeparator", "\\Software"},
                                           BadPath{"DoubledSeparator", "Software\\\\Ossivant"},
                                           BadPath{"LoneSeparator", "\\"},
                                           BadPath{"NameTooLong", "Software\\" + std::string(256, 'k')}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryTest, OtherBadArgumentsAreRefused) {
    const HKEY key = create("Software\\Args");
    const std::uint8_t three[3] = {1, 2, 3};
    EXPECT_EQ(reg.SetValueEx(key, "d", REG_DWORD, three, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.SetValueEx(key, "d", REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software", nullptr), ERROR_INVALID_PARAMETER);
    std::string name;
    EXPECT_EQ(reg.EnumKey(key, 0, nullptr), ERROR_INVALID_PARAMETER);
    // A name of the longest allowed length is fine, and a trailing separator is ignored.
    HKEY longKey = 0;
    EXPECT_EQ(reg.CreateKeyEx(key, std::string(255, 'k') + "\\", &longKey), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(reg, key), std::vector<std::string>{std::string(255, 'k')});
}

TEST_F(RegistryTest, NonAsciiNamesCompareWithoutRegardToCase) {
    const HKEY key = create("Software\\Ünïcode");
    ASSERT_EQ(setDword(reg, key, "Größe", 3), ERROR_SUCCESS);
    HKEY opened = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\ÜNÏCODE", &opened), ERROR_SUCCESS);
    std::int32_t status = 0;
    rawValue(reg, opened, "GRÖßE", &status);
    EXPECT_EQ(status, ERROR_SUCCESS);
    // Bytes that are not UTF-8 are names too, distinct from each other.
    ASSERT_EQ(setDword(reg, key, "\xFF", 1), ERROR_SUCCESS);
    ASSERT_EQ(setDword(reg, key, "\xFE", 2), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(reg, key).size(), 3u);
}

TEST_F(RegistryTest, ATransactionIsSeenByOthersWholeWhenItEnds) {
    Registry other(temp.path(), 50);
    HKEY seen = 0;
    {
        Registry::Transaction scope(reg);
        const HKEY key = create("Software\\Batch\\First");
        ASSERT_EQ(setString(reg, key, "URL", "a.example"), ERROR_SUCCESS);
        EXPECT_EQ(reg.CloseKey(key), ERROR_SUCCESS);
        // Others see nothing of it yet, and their writes wait for it.
        EXPECT_EQ(other.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Batch", &seen), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(other.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Elsewhere", &seen), ERROR_CANTWRITE);
        // Within it, a deleted key is gone at once and a new one is found.
        ASSERT_EQ(reg.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Batch\\First"), ERROR_SUCCESS);
        EXPECT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Batch\\First", &seen), ERROR_FILE_NOT_FOUND);
        {
            Registry::Transaction nested(reg);
            create("Software\\Batch\\Second");
        }
        EXPECT_EQ(other.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Batch", &seen), ERROR_FILE_NOT_FOUND);
    }
    ASSERT_EQ(other.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Batch", &seen), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(other, seen), std::vector<std::string>{"Second"});
}

// Each connection keeps what it has read and written between its calls; a
// change by anyone else must still be seen by its next call.
TEST_F(RegistryTest, WhatAConnectionKnowsGivesWayToEveryOtherWriter) {
    Registry other(temp.path());
    HKEY mine = create("Software\\Known");
    HKEY theirs = 0;
    ASSERT_EQ(other.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Known", &theirs), ERROR_SUCCESS);
    std::int32_t status = 0;

    ASSERT_EQ(setString(reg, mine, "URL", "a.example"), ERROR_SUCCESS);
    ASSERT_EQ(setString(other, theirs, "URL", "b.example"), ERROR_SUCCESS);
    EXPECT_EQ(rawValue(reg, mine, "URL", &status), std::string("b.example", 10));
    // Writing back what this connection wrote last is a real write now.
    ASSERT_EQ(setString(reg, mine, "URL", "a.example"), ERROR_SUCCESS);
    EXPECT_EQ(rawValue(other, theirs, "URL", &status), std::string("a.example", 10));

    // A value removed by the other, and the whole key made anew with another value.
    ASSERT_EQ(other.DeleteValue(theirs, "url"), ERROR_SUCCESS);
    rawValue(reg, mine, "URL", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(other.DeleteKey(HKEY_LOCAL_MACHINE, "Software\\Known"), ERROR_SUCCESS);
    EXPECT_EQ(setString(reg, mine, "URL", "a.example"), ERROR_INVALID_HANDLE);
    HKEY again = 0;
    EXPECT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Known", &again), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(other.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Known", &theirs), ERROR_SUCCESS);
    ASSERT_EQ(setDword(other, theirs, "Status", 2), ERROR_SUCCESS);
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Known", &again), ERROR_SUCCESS);
    EXPECT_EQ(rawValue(reg, again, "Status", &status), std::string("\x02\0\0\0", 4));
}

// A scope that only reads is answered from what the connection knows while
// the file is unchanged: each write of another must still be seen.
TEST_F(RegistryTest, AReadScopeSeesEveryWriteOfAnotherAndMayStillWrite) {
    Registry other(temp.path(), 50);
    const HKEY mine = create("Software\\Known");
    ASSERT_EQ(setString(reg, mine, "URL", "a.example"), ERROR_SUCCESS);
    HKEY theirs = 0;
    ASSERT_EQ(other.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Known", &theirs), ERROR_SUCCESS);
    auto readInScope = [&] {
        Registry::Transaction scope(reg, Registry::Transaction::Access::Read);
        std::int32_t status = 0;
        return rawValue(reg, mine, "URL", &status);
    };
    for (const char* text : {"b.example", "c.example"}) {
        readInScope();
        readInScope();
        ASSERT_EQ(setString(other, theirs, "URL", text), ERROR_SUCCESS);
        EXPECT_EQ(readInScope(), std::string(text, std::strlen(text) + 1));
    }
    {
        Registry::Transaction scope(reg, Registry::Transaction::Access::Read);
        std::int32_t status = 0;
        rawValue(reg, mine, "URL", &status);
        ASSERT_EQ(setString(reg, mine, "URL", "d.example"), ERROR_SUCCESS);
        HKEY elsewhere = 0;
        EXPECT_EQ(other.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Elsewhere", &elsewhere),
                  ERROR_CANTWRITE);
    }
    std::int32_t status = 0;
    EXPECT_EQ(rawValue(other, theirs, "URL", &status), std::string("d.example", 10));
}

TEST_F(RegistryTest, DataOutlivesTheObjectThatWroteIt) {
    {
        Registry writer(temp.path());
        HKEY key = 0;
        ASSERT_EQ(writer.CreateKeyEx(HKEY_CURRENT_USER, "Software\\Keep", &key), ERROR_SUCCESS);
        ASSERT_EQ(setString(writer, key, "Kept", "yes"), ERROR_SUCCESS);
    }
    Registry reader(temp.path());
    HKEY key = 0;
    ASSERT_EQ(reader.OpenKeyEx(HKEY_CURRENT_USER, "Software\\Keep", &key), ERROR_SUCCESS);
    std::int32_t status = 0;
    EXPECT_EQ(rawValue(reader, key, "kept", &status), std::string("yes\0", 4));
}

TEST(RegistryFileLocation, MissingFoldersOfThePathAreCreated) {
    TempDir dir;
    const std::string path = dir.file("a/b/registry.db");
    Registry reg(path);
    HKEY key = 0;
    EXPECT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(path));
}

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(RegistryFileLocation, DefaultPathFollowsTheEnvironment) {
    {
        ScopedEnv reg("OSSIVANT_REGISTRY", "/srv/reg.db");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(Registry::defaultPath(), "/srv/reg.db");
    }
    {
        ScopedEnv reg("OSSIVANT_REGISTRY", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(Registry::defaultPath(), "/cfg/ossivant/registry.db");
    }
    {
        ScopedEnv reg("OSSIVANT_REGISTRY", nullptr);
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", "/home/op");
        EXPECT_EQ(Registry::defaultPath(), "/home/op/.config/ossivant/registry.db");
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");  // not absolute: ignored
        EXPECT_EQ(Registry::defaultPath(), "/home/op/.config/ossivant/registry.db");
    }
}

}  // namespace
}  // namespace ossivant::test
