#pragma once

// A monitor's store over its own registry, with the export and import
// commands on it and fakes for everything they show.
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "monitor/platform/registry.h"
#include "monitor/store/last_folder.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_list_transfer.h"
#include "monitor/store/site_store.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/fake_file_dialogs.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {

// Records what the commands showed.
class FakeListScreen final : public SiteListScreen {
public:
    void holdWindow(const QString& caption, const QString& text, bool barVisible,
                    std::int32_t maximum) override {
        ++holds;
        held = true;
        captions << caption;
        texts << text;
        bar = barVisible;
        this->maximum = maximum;
    }
    void setProgressText(const QString& text, bool barVisible, std::int32_t maximum) override {
        EXPECT_TRUE(held);
        texts << text;
        bar = barVisible;
        this->maximum = maximum;
    }
    void setProgress(std::int32_t value) override {
        EXPECT_TRUE(held);
        EXPECT_LE(value, maximum);
        last = value;
    }
    void releaseWindow() override {
        EXPECT_TRUE(held);
        held = false;
    }
    void clearList() override { ++clears; }
    void refillList() override { ++refills; }

    int holds = 0;
    bool held = false;
    bool bar = false;
    QStringList captions;
    QStringList texts;
    std::int32_t maximum = 0;
    std::int32_t last = 0;
    int clears = 0;
    int refills = 0;
};

// One monitor's store over its own registry, with the commands on it. Its
// desktop is the registry's temporary folder.
struct Station {
    Station() {
        const QString shellFolders =
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        access.CreateKey(reg::HKEY_CURRENT_USER, shellFolders);
        access.SetValue(reg::HKEY_CURRENT_USER, shellFolders, QStringLiteral("Desktop"), desktop(),
                        kTypeString);
    }
    QString desktop() const { return QString::fromStdString(temp.dir().path().string()); }
    QString file(const char* name) const { return desktop() + u'/' + QLatin1String(name); }

    void add(const char* url, const char* ip, std::uint8_t status, std::uint8_t enabled,
             std::int32_t timeOut, const char* comments = "") {
        SiteRecord r{QString::fromUtf8(ip),      QString::fromUtf8(url), status, enabled, timeOut,
                     QString::fromUtf8(comments)};
        store.WriteSiteKey(r, 1000 + sites.SiteCount() + extra++);
        store.RenumberSites();
        store.LoadSites(true, true);
    }
    // The stored list as "URL|IP|Status|Enabled|TimeOut|Comments", in order.
    QStringList stored() {
        SiteTable table;
        RecordingMessages quiet = Answering(MsgAnswer::Yes);
        SiteStore reader(access, table, quiet);
        reader.LoadSites(true, true);
        QStringList out;
        for (const SiteRecord& s : table)
            out << QStringLiteral("%1|%2|%3|%4|%5|%6")
                       .arg(s.URL, s.IP)
                       .arg(s.Status)
                       .arg(s.Enabled)
                       .arg(s.TimeOut)
                       .arg(s.Comments);
        return out;
    }
    QString remembered() {
        QString folder;
        access.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(QStringLiteral("\\Settings\\LastLoc")),
                        kImportExportFolder, folder);
        return folder;
    }

    TempRegistry temp;
    reg::Registry registry{temp.path()};
    RegistryAccess access{registry};
    SiteTable sites;
    RecordingMessages messages = Answering(MsgAnswer::Yes);
    SiteStore store{access, sites, messages};
    ScriptedFileDialogs dialogs;
    FakeListScreen screen;
    FakeClock clock;
    SiteListTransfer transfer{{access, store, sites, messages, dialogs, screen, clock}};
    int extra = 0;
};

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace ossivant::test
