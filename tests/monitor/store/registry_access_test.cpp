#include "tests/monitor/store/store_fixture.h"

#include <fstream>

namespace ossivant::test {
namespace {

using RegistryAccessTest = StoreTest;

TEST_F(RegistryAccessTest, SetValueNeverCreatesAKey) {
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\Missing"), "Name", "x", kTypeString),
              reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\Missing"), "Name", 5, kTypeNumber),
              reg::ERROR_INVALID_HANDLE);
    EXPECT_FALSE(hasKey("\\Missing"));
}

TEST_F(RegistryAccessTest, GetValueTellsMissingValueFromMissingKeyAndKeepsTheVariable) {
    access.CreateKey(kHive, OssivantKey("\\K"));
    QString s = "kept";
    std::int32_t n = 77;
    std::int16_t h = 12;
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Nope", s), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Nope", n), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\Gone"), "Nope", s), reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\Gone"), "Nope", h), reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(n, 77);
    EXPECT_EQ(h, 12);
}

TEST_F(RegistryAccessTest, StringsAreStoredWithTheirNulCounted) {
    put("\\K", "Plain", QString("Zürich"));
    put("\\K", "Empty", QString(""));
    reg::HKEY key = 0;
    ASSERT_EQ(registry.OpenKeyEx(kHive, OssivantKey("\\K").toStdString(), &key), 0);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(registry.QueryValueEx(key, "Plain", &type, nullptr, &size), 0);
    EXPECT_EQ(type, reg::REG_SZ);
    EXPECT_EQ(size, QString("Zürich").toUtf8().size() + 1);
    ASSERT_EQ(registry.QueryValueEx(key, "Empty", &type, nullptr, &size), 0);
    EXPECT_EQ(size, 1u);
    registry.CloseKey(key);

    QString v = "x";
    std::int32_t t = 0;
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "plain", v, &t), 0);
    EXPECT_EQ(v, "Zürich");
    EXPECT_EQ(t, kTypeString);
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Empty", v), 0);
    EXPECT_EQ(v, "");
}

TEST_F(RegistryAccessTest, StringsWrittenByOtherToolsLoseNothingButTheirTerminator) {
    putRaw("\\K", "NoNul", reg::REG_SZ, "abc");
    putRaw("\\K", "Inner", reg::REG_SZ, std::string("ab\0cd\0", 6));
    putRaw("\\K", "Zero", reg::REG_SZ, "");
    QString v;
    access.GetValue(kHive, OssivantKey("\\K"), "NoNul", v);
    EXPECT_EQ(v, "abc");
    access.GetValue(kHive, OssivantKey("\\K"), "Inner", v);
    EXPECT_EQ(v, "ab");
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Zero", v), 0);
    EXPECT_EQ(v, "");
}

TEST_F(RegistryAccessTest, NumbersAreFourBytesAndConvertToTheCallersType) {
    put("\\K", "Neg", -5);
    put("\\K", "Big", 70000);
    put("\\K", "Low", -70000);
    put("\\K", "Text", QString(" 42 "));
    put("\\K", "Frac", QString("2.6"));
    put("\\K", "Word", QString("abc"));

    std::int32_t n = 0, t = 0;
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Neg", n, &t), 0);
    EXPECT_EQ(n, -5);
    EXPECT_EQ(t, kTypeNumber);
    std::int16_t h = 0;
    access.GetValue(kHive, OssivantKey("\\K"), "Big", h);
    EXPECT_EQ(h, 32767);
    access.GetValue(kHive, OssivantKey("\\K"), "Low", h);
    EXPECT_EQ(h, -32768);
    access.GetValue(kHive, OssivantKey("\\K"), "Big", n);
    EXPECT_EQ(n, 70000);
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Text", n, &t), 0);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(t, kTypeString);
    access.GetValue(kHive, OssivantKey("\\K"), "Frac", n);
    EXPECT_EQ(n, 3);
    n = 9;
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Word", n), kErrorInvalidData);
    EXPECT_EQ(n, 9);
    QString s;
    access.GetValue(kHive, OssivantKey("\\K"), "Neg", s);
    EXPECT_EQ(s, "-5");
}

TEST_F(RegistryAccessTest, SetValueConvertsToTheRequestedType) {
    access.CreateKey(kHive, OssivantKey("\\K"));
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\K"), "A", QString("12"), kTypeNumber), 0);
    EXPECT_EQ(number("\\K", "A"), 12);
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\K"), "B", 60, kTypeString), 0);
    EXPECT_EQ(text("\\K", "B"), "60");
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\K"), "C", QString("many"), kTypeNumber),
              kErrorInvalidData);
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\K"), "D", qint64(1) << 40, kTypeNumber),
              kErrorInvalidData);
    EXPECT_EQ(valueNames("\\K"), QStringList({"A", "B"}));
}

// A site saved after a check that changed nothing must not wait for, or
// fail because of, another program writing to the store meanwhile.
TEST_F(RegistryAccessTest, SetValuesOfWhatAKeyHoldsNeedsNoWriteLock) {
    const QString key = OssivantKey("\\K");
    access.CreateKey(kHive, key);
    ASSERT_EQ(access.SetValues(kHive, key, {{"URL", QString("a.example"), kTypeString},
                                            {"Status", 1, kTypeNumber},
                                            {"Bin", QString("x"), 3}}),
              0);
    reg::Registry busy(temp.path(), 50);
    reg::Registry::Transaction writing(busy);
    reg::HKEY other = 0;
    ASSERT_EQ(busy.CreateKeyEx(kHive, "Software\\Elsewhere", &other), reg::ERROR_SUCCESS);

    reg::Registry mine(temp.path(), 50);
    RegistryAccess waiting(mine);
    EXPECT_EQ(waiting.SetValues(kHive, key, {{"URL", QString("a.example"), kTypeString},
                                             {"Status", QString(" 1 "), kTypeNumber},
                                             {"Bin", QString("y"), 3}}),
              0);
    EXPECT_EQ(waiting.SetValues(kHive, key, {{"URL", QString("a.example"), kTypeString},
                                             {"Status", 2, kTypeNumber}}),
              reg::ERROR_CANTWRITE);
    EXPECT_EQ(waiting.SetValues(kHive, key, {{"Status", QString("many"), kTypeNumber}}),
              kErrorInvalidData);
}

TEST_F(RegistryAccessTest, OtherValueTypesAreNeitherWrittenNorRead) {
    access.CreateKey(kHive, OssivantKey("\\K"));
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\K"), "Bin", "x", 3), 0);
    EXPECT_EQ(access.SetValue(kHive, OssivantKey("\\Missing"), "Bin", "x", 3), 0);
    EXPECT_TRUE(valueNames("\\K").isEmpty());

    putRaw("\\K", "Bin", reg::REG_BINARY, "\x01\x02");
    QString s = "kept";
    std::int32_t t = 9;
    EXPECT_EQ(access.GetValue(kHive, OssivantKey("\\K"), "Bin", s, &t), -1);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(t, 0);
}

TEST_F(RegistryAccessTest, KeysAndValuesAreCreatedAndDeleted) {
    EXPECT_EQ(access.CreateKey(kHive, OssivantKey("\\A\\B")), 0);
    EXPECT_EQ(access.CreateKey(kHive, OssivantKey("\\a\\b")), 0);  // opens the existing key
    EXPECT_EQ(access.DeleteKey(kHive, OssivantKey("\\A")), reg::ERROR_ACCESS_DENIED);
    put("\\A\\B", "V", 1);
    EXPECT_EQ(access.DeleteValue(kHive, OssivantKey("\\A\\B"), "v"), 0);
    EXPECT_EQ(access.DeleteValue(kHive, OssivantKey("\\A\\B"), "v"), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(access.DeleteValue(kHive, OssivantKey("\\Z"), "v"), reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(access.DeleteKey(kHive, OssivantKey("\\A\\B")), 0);
    EXPECT_EQ(access.DeleteKey(kHive, OssivantKey("\\A")), 0);
    EXPECT_FALSE(hasKey("\\A"));
}

TEST_F(RegistryAccessTest, EnumKeysListsUpToAndIncludingTheMaxIndex) {
    for (int i = 0; i < 60; ++i)
        access.CreateKey(kHive, OssivantKey(QString("\\L\\k%1").arg(i, 2, 10, QChar('0'))));
    QStringList names{"stale"};
    EXPECT_EQ(access.EnumKeys(kHive, OssivantKey("\\L"), names), 0);
    EXPECT_EQ(names.size(), 51);  // 0 means 50, and index 50 is included
    EXPECT_EQ(names.first(), "k00");
    EXPECT_EQ(access.EnumKeys(kHive, OssivantKey("\\L"), names, 2), 0);
    EXPECT_EQ(names, QStringList({"k00", "k01", "k02"}));
    EXPECT_EQ(access.EnumKeys(kHive, OssivantKey("\\None"), names, 1000), 0);
    EXPECT_TRUE(names.isEmpty());
}

TEST_F(RegistryAccessTest, EnumKeysDropsTrailingBlanksAndFollowsNameOrder) {
    access.CreateKey(kHive, OssivantKey("\\L\\beta  "));
    access.CreateKey(kHive, OssivantKey("\\L\\Alpha"));
    QStringList names;
    access.EnumKeys(kHive, OssivantKey("\\L"), names, 1000, 1000);
    EXPECT_EQ(names, QStringList({"Alpha", "beta"}));
}

TEST_F(RegistryAccessTest, EnumValuesReportsEachTypeInCreationOrder) {
    put("\\V", "Zed", QString("text"));
    putRaw("\\V", "Raw", reg::REG_BINARY, "\x01");
    put("\\V", "Alpha", 42);
    std::vector<RegistryEntry> e;
    ASSERT_EQ(access.EnumValues(kHive, OssivantKey("\\V"), e, 1000, 1000), 0);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].Name, "Zed");
    EXPECT_EQ(e[0].Type, kTypeString);
    EXPECT_EQ(e[0].Data, QVariant(QString("text")));
    EXPECT_EQ(e[1].Name, "Raw");
    EXPECT_EQ(e[1].Type, -1);
    EXPECT_FALSE(e[1].Data.isValid());
    EXPECT_EQ(e[2].Type, kTypeNumber);
    EXPECT_EQ(e[2].Data.toInt(), 42);
}

TEST_F(RegistryAccessTest, EnumValuesLimitsAndFailures) {
    for (int i = 0; i < 60; ++i) put("\\V", QString("v%1").arg(i), i);
    std::vector<RegistryEntry> e;
    EXPECT_EQ(access.EnumValues(kHive, OssivantKey("\\V"), e), 0);
    EXPECT_EQ(e.size(), 50u);
    EXPECT_EQ(access.EnumValues(kHive, OssivantKey("\\V"), e, 3), 0);
    EXPECT_EQ(e.size(), 3u);
    access.CreateKey(kHive, OssivantKey("\\Empty"));
    EXPECT_EQ(access.EnumValues(kHive, OssivantKey("\\Empty"), e), 0);
    EXPECT_TRUE(e.empty());
    EXPECT_EQ(access.EnumValues(kHive, OssivantKey("\\None"), e), reg::ERROR_INVALID_HANDLE);
}

TEST(RegistryAccessBrokenStore, AFileThatIsNoRegistryGivesItsOwnStatus) {
    TempDir dir;
    const std::string path = dir.file("registry.db");
    std::ofstream(path) << std::string(4096, 'g');
    reg::Registry registry(path);
    RegistryAccess access(registry);
    QString s = "kept";
    EXPECT_EQ(access.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\K"), "V", s), reg::ERROR_BADDB);
    EXPECT_EQ(s, "kept");
    std::vector<RegistryEntry> e;
    EXPECT_EQ(access.EnumValues(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\K"), e), reg::ERROR_BADDB);
}

}  // namespace
}  // namespace ossivant::test
