#include "monitor/store/load_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tests/monitor/store/store_fixture.h"

namespace ossivant::test {
namespace {

class LoadSettingsTest : public StoreTest {
protected:
    TempDir stateDir;
    QString defaultLogPath = QString::fromStdString(stateDir.path().string()) + "/ossivant/Logs";
    Settings settings;

    void load() { LoadSettings(access, settings, defaultLogPath); }
};

TEST_F(LoadSettingsTest, FirstStartWritesTheDefaults) {
    load();
    for (const char* key : {"\\Settings\\Timer", "\\Settings\\Manager", "\\Settings\\Log",
                            "\\Settings\\AllowCookie"})
        EXPECT_TRUE(hasKey(key)) << key;

    EXPECT_EQ(settings.TimerInterval, 60);
    EXPECT_EQ(settings.TimerWarning, 15);
    EXPECT_EQ(settings.ManagerEmail, "");
    EXPECT_EQ(settings.ManagerName, "");
    EXPECT_EQ(settings.ManagerSMTP, "");
    EXPECT_EQ(settings.ManagerSMTPPort, 25);
    EXPECT_EQ(settings.LogPath, defaultLogPath);
    EXPECT_EQ(settings.LogPeriod, 1);
    EXPECT_EQ(settings.DiskLogMaxFiles, 1);
    EXPECT_EQ(settings.MaxLogFiles, 7);
    EXPECT_EQ(settings.DiskLogDisabled, 1);
    EXPECT_EQ(settings.AllowType, 1);
    EXPECT_EQ(settings.OfflineGuard, 1);
    EXPECT_EQ(settings.NetworkReference, "");

    EXPECT_EQ(number("\\Settings\\Timer", "Interval"), 60);
    EXPECT_EQ(number("\\Settings\\Network", "OfflineGuard"), 1);
    EXPECT_EQ(number("\\Settings\\Timer", "Warning"), 15);
    EXPECT_EQ(text("\\Settings\\Log", "LogPath"), defaultLogPath);
    EXPECT_EQ(number("\\Settings\\Log", "LogPeriod"), 1);
    EXPECT_EQ(number("\\Settings\\Log", "DiskLogMaxFiles"), 1);
    EXPECT_EQ(number("\\Settings\\Log", "MaxLogFiles"), 7);
    EXPECT_EQ(number("\\Settings\\Log", "DiskLogDisabled"), 1);
    EXPECT_EQ(number("\\Settings\\AllowCookie", "AllowType"), 1);
    // The manager's values stay absent until the options dialog saves them.
    EXPECT_TRUE(valueNames("\\Settings\\Manager").isEmpty());
    EXPECT_TRUE(QFileInfo(defaultLogPath).isDir());
}

TEST_F(LoadSettingsTest, StoredValuesAreReadAndLeftAlone) {
    put("\\Settings\\Timer", "Interval", 30);
    put("\\Settings\\Timer", "Warning", 5);
    put("\\Settings\\Manager", "Email", QString("ops@example.org"));
    put("\\Settings\\Manager", "Name", QString("Dana"));
    put("\\Settings\\Manager", "SMTP", QString("mail.example.org"));
    put("\\Settings\\Manager", "SMTPPort", 587);
    put("\\Settings\\Log", "LogPath", QString("/nowhere/yet"));
    put("\\Settings\\Log", "LogPeriod", 2);
    put("\\Settings\\Log", "DiskLogMaxFiles", 0);
    put("\\Settings\\Log", "MaxLogFiles", 30);
    put("\\Settings\\Log", "DiskLogDisabled", 0);
    put("\\Settings\\AllowCookie", "AllowType", 2);
    load();
    EXPECT_EQ(settings.TimerInterval, 30);
    EXPECT_EQ(settings.TimerWarning, 5);
    EXPECT_EQ(settings.ManagerEmail, "ops@example.org");
    EXPECT_EQ(settings.ManagerName, "Dana");
    EXPECT_EQ(settings.ManagerSMTP, "mail.example.org");
    EXPECT_EQ(settings.ManagerSMTPPort, 587);
    EXPECT_EQ(settings.LogPath, "/nowhere/yet");
    EXPECT_EQ(settings.LogPeriod, 2);
    EXPECT_EQ(settings.DiskLogMaxFiles, 0);
    EXPECT_EQ(settings.MaxLogFiles, 30);
    EXPECT_EQ(settings.DiskLogDisabled, 0);
    EXPECT_EQ(settings.AllowType, 2);
    EXPECT_FALSE(QFileInfo("/nowhere").exists());  // a stored path is not created
    EXPECT_EQ(valueNames("\\Settings\\Log").size(), 5);
}

TEST_F(LoadSettingsTest, APortOfZeroBecomes25InMemoryOnly) {
    put("\\Settings\\Manager", "SMTPPort", 0);
    load();
    EXPECT_EQ(settings.ManagerSMTPPort, 25);
    EXPECT_EQ(number("\\Settings\\Manager", "SMTPPort"), 0);
}

struct RepairRow {
    const char* key;
    const char* name;
    int stored;
    int loaded;      // value in the record
    bool rewritten;  // whether the registry now holds `loaded`
};
void PrintTo(const RepairRow& r, std::ostream* os) { *os << r.name << "=" << r.stored; }

class LoadSettingsRepairs : public LoadSettingsTest,
                            public ::testing::WithParamInterface<RepairRow> {};

TEST_P(LoadSettingsRepairs, OutOfRangeValues) {
    const RepairRow& row = GetParam();
    put(row.key, row.name, row.stored);
    load();
    const std::map<QString, int> record{
        {"Interval", settings.TimerInterval},     {"Warning", settings.TimerWarning},
        {"LogPeriod", settings.LogPeriod},        {"DiskLogMaxFiles", settings.DiskLogMaxFiles},
        {"MaxLogFiles", settings.MaxLogFiles},    {"DiskLogDisabled", settings.DiskLogDisabled},
        {"AllowType", settings.AllowType},        {"OfflineGuard", settings.OfflineGuard}};
    EXPECT_EQ(record.at(row.name), row.loaded);
    EXPECT_EQ(number(row.key, row.name), row.rewritten ? row.loaded : row.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoadSettingsRepairs,
    ::testing::Values(RepairRow{"\\Settings\\Timer", "Interval", 0, 60, true},
                      RepairRow{"\\Settings\\Timer", "Interval", -5, 60, true},
                      RepairRow{"\\Settings\\Log", "LogPeriod", 3, 1, true},
                      RepairRow{"\\Settings\\Log", "LogPeriod", -1, 1, true},
                      RepairRow{"\\Settings\\Log", "LogPeriod", 0, 0, false},
                      RepairRow{"\\Settings\\Log", "DiskLogMaxFiles", 5, 1, true},
                      RepairRow{"\\Settings\\Log", "DiskLogMaxFiles", -1, 1, true},
                      RepairRow{"\\Settings\\Log", "MaxLogFiles", 0, 7, true},
                      RepairRow{"\\Settings\\Log", "MaxLogFiles", 1, 1, false},
                      RepairRow{"\\Settings\\Log", "DiskLogDisabled", 2, 1, true},
                      RepairRow{"\\Settings\\AllowCookie", "AllowType", 0, 1, true},
                      RepairRow{"\\Settings\\AllowCookie", "AllowType", 3, 1, true},
                      RepairRow{"\\Settings\\Network", "OfflineGuard", 2, 1, true},
                      RepairRow{"\\Settings\\Network", "OfflineGuard", 0, 0, false},
                      // an int16 setting holds a huge number at 32767, still out of range
                      RepairRow{"\\Settings\\Log", "LogPeriod", 65537, 1, true}));

TEST_F(LoadSettingsTest, AWarningOfZeroIsRepairedAloneAndTheIntervalStays) {
    put("\\Settings\\Timer", "Interval", 45);
    put("\\Settings\\Timer", "Warning", 0);
    load();
    EXPECT_EQ(settings.TimerInterval, 45);
    EXPECT_EQ(settings.TimerWarning, 15);
    EXPECT_EQ(number("\\Settings\\Timer", "Interval"), 45);
    EXPECT_EQ(number("\\Settings\\Timer", "Warning"), 15);
}

TEST_F(LoadSettingsTest, AValueOfAnotherTypeIsAFailedReadNotAMissingValue) {
    // Only a missing value gets the default of the first pass; an unreadable
    // one leaves the field as it was and the range rules decide.
    putRaw("\\Settings\\Log", "LogPeriod", reg::REG_BINARY, "\x05");
    putRaw("\\Settings\\Timer", "Interval", reg::REG_BINARY, "\x05");
    settings.LogPeriod = 2;
    load();
    EXPECT_EQ(settings.LogPeriod, 2);
    EXPECT_EQ(number("\\Settings\\Log", "LogPeriod"), std::nullopt);
    EXPECT_EQ(settings.TimerInterval, 60);
    EXPECT_EQ(number("\\Settings\\Timer", "Interval"), 60);
}

TEST_F(LoadSettingsTest, ALogFolderThatCannotBeMadeIsStillStored) {
    // A file where the state folder should be: no folder can go below it.
    const QString blocked = QString::fromStdString(stateDir.path().string()) + "/state";
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    LoadSettings(access, settings, blocked + "/Logs");
    EXPECT_EQ(settings.LogPath, blocked + "/Logs");
    EXPECT_EQ(text("\\Settings\\Log", "LogPath"), blocked + "/Logs");
    EXPECT_EQ(settings.AllowType, 1);  // the load went on to the end
}

// The default log folder lies beside the mail spool in the user's state
// folder, whatever the program folder is.
TEST(DefaultLogPathTest, FollowsTheStateFolderRules) {
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    const QString home = QDir::homePath();
    const struct {
        const char* variable;  // nullptr: unset
        QString expected;
    } rows[] = {
        {"/srv/state", "/srv/state/ossivant/Logs"},
        {nullptr, home + "/.local/state/ossivant/Logs"},
        {"", home + "/.local/state/ossivant/Logs"},
        {"relative/state", home + "/.local/state/ossivant/Logs"},  // not absolute: ignored
    };
    for (const auto& row : rows) {
        if (row.variable)
            qputenv("XDG_STATE_HOME", row.variable);
        else
            qunsetenv("XDG_STATE_HOME");
        EXPECT_EQ(DefaultLogPath(), row.expected) << (row.variable ? row.variable : "(unset)");
    }
    qputenv("XDG_STATE_HOME", saved);
}

}  // namespace
}  // namespace ossivant::test
