#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "monitor/platform/inet_transfer.h"
#include "monitor/platform/registry.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_store.h"
#include "monitor/ui/monitor_app.h"
#include "tests/support/fake_alert_sender.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/fake_file_dialogs.h"
#include "tests/support/print_qstring.h"
#include "tests/support/temp_registry.h"
#include "tests/support/widgets_app.h"

namespace ossivant::test {

// Records what the desktop was asked to open.
class RecordingShell final : public Shell {
public:
    int openDocument(const QString& target) override {
        targets << target;
        return kOpened;
    }
    QStringList targets;
};

// The windowed monitor over a temporary registry, with its message boxes,
// shell, alerts and tour answered by fakes; the transfer control is real
// unless a test sets `inet`.
class MonitorTest : public ::testing::Test {
protected:
    MonitorTest() {
        widgetsApplication();
        QApplication::setQuitOnLastWindowClosed(false);
    }
    ~MonitorTest() override { stop(); }

    // Stores a site as the site editor would.
    void storeSite(const QString& url, std::uint8_t enabled = 1, const QString& ip = {},
                   std::int32_t timeOut = 30) {
        reg::Registry registry(temp.path());
        RegistryAccess access(registry);
        SiteTable table;
        SiteStore store(access, table, messages);
        store.LoadSites(true, true);
        SiteRecord site;
        site.URL = url;
        site.IP = ip;
        site.Enabled = enabled;
        site.TimeOut = timeOut;
        store.AddSite(site);
    }

    // As after a first start: no welcome window.
    void markStarted() {
        reg::Registry writer(temp.path());
        RegistryAccess access(writer);
        access.CreateKey(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\Setup"));
        access.SetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\Setup"), "startup", 1, kTypeNumber);
    }

    // Runs the start-up and waits until both timers run.
    void start() {
        MonitorSeams seams;
        seams.messages = &messages;
        seams.shell = &shell;
        seams.files = &files;
        seams.launcher = &launcher;
        seams.alerts = &alerts;
        seams.inet = inet;
        seams.startTour = [this] {
            ++tourStarts;
            return tourPresent;
        };
        seams.trayAvailable = [this] { return trayAvailable; };
        registry = std::make_unique<reg::Registry>(temp.path());
        app = std::make_unique<MonitorApp>(*registry, clock, programDir, seams);
        app->setStartInTray(startInTray);
        bool started = false;
        QElapsedTimer sinceStart;
        sinceStart.start();
        app->Start([&started] { started = true; });
        ASSERT_TRUE(QTest::qWaitFor([&started] { return started; }, 10000));
        startMs = sinceStart.elapsed();
    }

    void stop() {
        if (!app) return;
        app->ExitProgram();
        app.reset();
        registry.reset();
    }

    frmMain& main() { return app->mainWindow(); }
    QTreeWidget* list() { return main().findChild<QTreeWidget*>(QStringLiteral("lvwMain")); }
    QAction* action(const char* name) { return main().findChild<QAction*>(QLatin1String(name)); }
    template <class T>
    T* child(const char* name) {
        return main().findChild<T*>(QLatin1String(name));
    }

    // The first-column texts of the rows, top to bottom.
    QStringList rowIndexes() {
        QStringList out;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            out << list()->topLevelItem(i)->text(0);
        return out;
    }
    QTreeWidgetItem* rowOf(int index) {
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            if (list()->topLevelItem(i)->text(0) == QString::number(index))
                return list()->topLevelItem(i);
        return nullptr;
    }

    std::int32_t storedNumber(const QString& key, const QString& name) {
        reg::Registry reader(temp.path());
        RegistryAccess access(reader);
        std::int32_t value = -1;
        if (access.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(key), name, value) != 0) return -1;
        return value;
    }

    TempRegistry temp;
    QString programDir = QString::fromStdString(temp.dir().path().string());
    SystemClock clock;
    RecordingMessages messages;
    RecordingShell shell;
    ScriptedFileDialogs files;
    RecordingLauncher launcher;
    FakeAlertSender alerts;
    TransferControl* inet = nullptr;
    int tourStarts = 0;
    bool tourPresent = false;
    bool trayAvailable = false;
    bool startInTray = false;
    std::unique_ptr<reg::Registry> registry;
    std::unique_ptr<MonitorApp> app;
    qint64 startMs = 0;
};

}  // namespace ossivant::test
