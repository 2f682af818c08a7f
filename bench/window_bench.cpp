// The monitor's windows under load, on Qt's offscreen platform:
//  - start-up to a shown main window with 10, 100 and 1000 stored sites,
//    against the store's own start-up work (LoadSettings, RenumberSites,
//    LoadSites) on the same registry in the same run;
//  - a refill of the list with 1000 sites, against filling a plain
//    QTreeWidget with the same 1000 rows of text;
//  - resident memory with 1000 sites, idle and after a check cycle against
//    a local server, against a bare window of the same toolkit.
// Usage: window_bench   (TMPDIR chooses where the registry files go)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/silent_message_box.h"
#include "monitor/platform/inet_transfer.h"
#include "monitor/platform/registry.h"
#include "monitor/platform/time_zone.h"
#include "monitor/store/load_settings.h"
#include "monitor/store/site_store.h"
#include "monitor/ui/monitor_app.h"
#include "tests/support/fake_http_server.h"

namespace {

using namespace ossivant;

using bench::SilentMessageBox;

class NoAlerts final : public AlertSender {
public:
    std::int32_t SendEmail(const QString&, const AlertFacts&) override { return 0; }
};

// A registry with `count` enabled sites at `address` + "/site<i>", first
// start already past.
std::string MakeRegistry(const std::filesystem::path& dir, int count, const QString& address) {
    const std::string path = (dir / "registry.db").string();
    reg::Registry registry(path);
    RegistryAccess access(registry);
    SilentMessageBox messages;
    SiteTable sites;
    SiteStore store(access, sites, messages);
    for (int i = 1; i <= count; ++i) {
        SiteRecord site;
        site.URL = address + QStringLiteral("/site%1").arg(i);
        site.Enabled = 1;
        site.TimeOut = 30;
        store.WriteSiteKey(site, i);
    }
    store.RenumberSites();
    access.CreateKey(reg::HKEY_LOCAL_MACHINE, OssivantKey(QStringLiteral("\\Setup")));
    access.SetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(QStringLiteral("\\Setup")),
                    QStringLiteral("startup"), 1, kTypeNumber);
    return path;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

// Starts a timer when the watched window hides.
class HideWatch final : public QObject {
public:
    explicit HideWatch(QElapsedTimer& timer) : timer_(timer) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !timer_.isValid()) timer_.start();
        return false;
    }

private:
    QElapsedTimer& timer_;
};

struct Monitor {
    std::unique_ptr<reg::Registry> registry;
    std::unique_ptr<InetTransfer> inet;
    std::unique_ptr<MonitorApp> app;
};

// Start-up to a shown main window; returns the milliseconds of work, the
// one-second splash wait left out.
double StartMonitor(Monitor& m, const std::string& path, SilentMessageBox& messages,
                    NoAlerts& alerts, const Clock& clock) {
    QElapsedTimer timer;
    timer.start();
    m.registry = std::make_unique<reg::Registry>(path);
    m.inet = std::make_unique<InetTransfer>();
    MonitorSeams seams;
    seams.messages = &messages;
    seams.alerts = &alerts;
    seams.inet = m.inet.get();
    seams.trayAvailable = [] { return false; };
    m.app = std::make_unique<MonitorApp>(*m.registry, clock, QStringLiteral("/nonexistent"), seams);
    // The splash closes from a timer one second after the start and the rest
    // of the start-up follows at once: time that rest from the splash's hide.
    QElapsedTimer afterSplash;
    HideWatch watch(afterSplash);
    bool started = false;
    double rest = 0;
    m.app->Start([&] {
        started = true;
        rest = afterSplash.isValid() ? afterSplash.nsecsElapsed() / 1e6 : 0.0;
    });
    const double beforeSplash = timer.nsecsElapsed() / 1e6;
    if (m.app->splash()) m.app->splash()->installEventFilter(&watch);
    while (!started) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return beforeSplash + rest;
}

double StoreStartUp(const std::string& path) {
    reg::Registry registry(path);
    RegistryAccess access(registry);
    SilentMessageBox messages;
    Settings settings;
    SiteTable sites;
    SiteStore store(access, sites, messages);
    QElapsedTimer timer;
    timer.start();
    LoadSettings(access, settings, DefaultLogPath());
    store.RenumberSites();
    store.LoadSites(false, false);
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

// The local web server runs in a child process, so its threads and buffers
// do not count in the monitor's memory.
struct ServerProcess {
    pid_t pid = -1;
    std::uint16_t port = 0;
    ServerProcess() {
        int fds[2];
        if (pipe(fds) != 0) std::abort();
        pid = fork();
        if (pid == 0) {
            test::FakeHttpServer server(test::httpReply(
                "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
            const std::uint16_t p = server.port();
            if (write(fds[1], &p, sizeof p) != sizeof p) _exit(1);
            for (;;) pause();
        }
        close(fds[1]);
        if (read(fds[0], &port, sizeof port) != sizeof port) std::abort();
        close(fds[0]);
    }
    ~ServerProcess() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

int main(int argc, char** argv) {
    PinLocalTimeZone();  // as the monitor does at its start
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::filesystem::path root = bench::MakeBenchFolder("ossivant-wbench");
    qputenv("XDG_STATE_HOME", (root / "state").c_str());
    qputenv("XDG_RUNTIME_DIR", root.c_str());
    qputenv("no_proxy", "127.0.0.1");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SilentMessageBox messages;
    NoAlerts alerts;
    SystemClock clock;

    // Resident memory of the toolkit with one bare window: the reference.
    long bareKiB = 0;
    {
        QMainWindow bare;
        bare.resize(700, 440);
        bare.show();
        QTest::qWait(200);
        bareKiB = ResidentKiB();
    }

    const ServerProcess server;
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server.port);

    std::printf("start-up to a shown main window (median of 5; splash second left out)\n");
    std::printf("%6s %12s %12s %8s\n", "sites", "window ms", "store ms", "ratio");
    std::string path1000;
    for (int count : {10, 100, 1000}) {
        const std::filesystem::path dir = root / std::to_string(count);
        std::filesystem::create_directories(dir);
        const std::string path = MakeRegistry(dir, count, address);
        if (count == 1000) path1000 = path;
        std::vector<double> window, store;
        for (int round = 0; round < 5; ++round) {
            store.push_back(StoreStartUp(path));
            Monitor m;
            window.push_back(StartMonitor(m, path, messages, alerts, clock));
            m.app->ExitProgram();
        }
        const double w = Median(window), s = Median(store);
        std::printf("%6d %12.2f %12.2f %8.2f\n", count, w, s, w / s);
    }

    Monitor m;
    StartMonitor(m, path1000, messages, alerts, clock);
    std::vector<double> refill, plain;
    for (int round = 0; round < 21; ++round) {
        QElapsedTimer timer;
        timer.start();
        m.app->mainWindow().Display_lvwMainEx(QString());
        refill.push_back(timer.nsecsElapsed() / 1e6);
    }
    QTreeWidget reference;
    reference.setColumnCount(5);
    reference.resize(700, 300);
    reference.show();
    for (int round = 0; round < 21; ++round) {
        QElapsedTimer timer;
        timer.start();
        reference.clear();
        QList<QTreeWidgetItem*> items;
        for (int i = 1; i <= 1000; ++i)
            items << new QTreeWidgetItem(
                QStringList{QString::number(i),
                            QStringLiteral("http://") + address + QStringLiteral("/site%1").arg(i),
                            QString(), QString(), QString()});
        reference.addTopLevelItems(items);
        reference.sortItems(0, Qt::AscendingOrder);
        plain.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("\nrefill of the list, 1000 sites (median of 21)\n");
    std::printf("  Display_lvwMainEx %.2f ms, plain QTreeWidget fill %.2f ms, ratio %.2f\n",
                Median(refill), Median(plain), Median(refill) / Median(plain));

    QTest::qWait(500);
    const long idleKiB = ResidentKiB();
    std::printf("\nresident memory, 1000 sites (bare window of the toolkit: %ld KiB)\n", bareKiB);
    std::printf("  idle %ld KiB (ratio %.2f)\n", idleKiB, double(idleKiB) / bareKiB);
    for (int round = 1; round <= 3; ++round) {
        QElapsedTimer cycle;
        cycle.start();
        m.app->engine().mF_StartCheck_Click();
        while (m.app->engine().CycleRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = cycle.nsecsElapsed() / 1e9;
        QTest::qWait(500);
        const long kib = ResidentKiB();
        int ok = 0;
        for (int i = 1; i <= m.app->sites().SiteCount(); ++i)
            ok += m.app->sites()[i].Status == StatusOK;
        std::printf("  after cycle %d: %ld KiB (ratio %.2f); cycle %.2f s, %d/1000 OK\n", round,
                    kib, double(kib) / bareKiB, seconds, ok);
    }
    m.app->ExitProgram();
    m.app.reset();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
