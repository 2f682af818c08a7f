// Export and import of the site list with 1000 stored sites, each against a
// reference measured in the same run:
//  - export against writing the same bytes to a file with one QFile write;
//  - import (replace mode, every line an existing site; and into an empty
//    store) against the store's own RenumberSites + LoadSites on the same
//    registry, which every import ends with.
// Prints the median of several runs and the ratios. The registry files go to
// $TMPDIR (default /tmp).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "monitor/platform/registry.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_list_transfer.h"
#include "monitor/store/site_store.h"
#include "tests/support/silent_list_screen.h"

namespace {

using namespace ossivant;

constexpr int kSites = 1000;
constexpr int kRuns = 7;

class Answering final : public MessageBox {
public:
    MsgAnswer show(const QString& text, MsgButtons buttons, MsgIcon) override {
        if (buttons == MsgButtons::YesNoCancel) return MsgAnswer::Yes;
        if (text != kExported) std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return MsgAnswer::Ok;
    }
};

class Paths final : public FileDialogs {
public:
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override {
        return path;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&,
                     const QString&) override {
        return path;
    }
    QString path;
};

struct Station {
    explicit Station(const std::filesystem::path& file)
        : registry(file.string()), access(registry), store(access, sites, messages) {}
    reg::Registry registry;
    RegistryAccess access;
    SiteTable sites;
    Answering messages;
    SiteStore store;
    Paths dialogs;
    test::SilentListScreen screen;
    SystemClock clock;
    SiteListTransfer transfer{{access, store, sites, messages, dialogs, screen, clock}};
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double TimeMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::filesystem::path dir = bench::MakeBenchFolder("ossivant-bench");
    const QString listFile = QString::fromStdString((dir / "list.ovd").string());
    const QString copyFile = QString::fromStdString((dir / "copy.ovd").string());

    Station source(dir / "source.db");
    for (int i = 1; i <= kSites; ++i) source.store.WriteSiteKey(bench::NumberedSite(i), i);
    source.store.RenumberSites();
    source.store.LoadSites(true, true);
    source.dialogs.path = listFile;

    std::vector<double> exportMs, writeMs;
    for (int run = 0; run < kRuns; ++run) {
        exportMs.push_back(TimeMs([&] { source.transfer.ExportList(); }));
        QFile file(listFile);
        if (!file.open(QIODevice::ReadOnly)) return 1;
        const QByteArray bytes = file.readAll();
        writeMs.push_back(TimeMs([&] {
            QFile copy(copyFile);
            if (copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) copy.write(bytes);
        }));
    }

    // Replace mode: the same 1000 sites imported again and again.
    source.dialogs.path = listFile;
    std::vector<double> replaceMs, reloadMs;
    for (int run = 0; run < kRuns; ++run) {
        replaceMs.push_back(TimeMs([&] { source.transfer.ImportList(); }));
        reloadMs.push_back(TimeMs([&] {
            source.store.RenumberSites();
            source.store.LoadSites(true, true);
        }));
    }
    if (source.sites.SiteCount() != kSites) std::fprintf(stderr, "site count changed\n");

    // Into an empty store: every line a new site.
    std::vector<double> freshMs, freshReloadMs;
    for (int run = 0; run < 3; ++run) {
        Station target(dir / ("target" + std::to_string(run) + ".db"));
        target.dialogs.path = listFile;
        freshMs.push_back(TimeMs([&] { target.transfer.ImportList(); }));
        if (target.sites.SiteCount() != kSites) std::fprintf(stderr, "import lost sites\n");
        freshReloadMs.push_back(TimeMs([&] {
            target.store.RenumberSites();
            target.store.LoadSites(true, true);
        }));
    }

    const double e = Median(exportMs), w = Median(writeMs);
    const double r = Median(replaceMs), l = Median(reloadMs);
    const double f = Median(freshMs), fl = Median(freshReloadMs);
    std::printf("%d sites, median of %d runs (import into an empty store: of 3)\n", kSites, kRuns);
    std::printf(
        "export                   %9.3f ms   same bytes, one QFile write %8.3f ms   ratio %7.1f\n",
        e, w, e / w);
    std::printf(
        "import, replace mode     %9.3f ms   RenumberSites + LoadSites   %8.3f ms   ratio %7.2f\n",
        r, l, r / l);
    std::printf(
        "import into empty store  %9.3f ms   RenumberSites + LoadSites   %8.3f ms   ratio %7.2f\n",
        f, fl, f / fl);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
