// Start-up work of the store (LoadSettings, RenumberSites, LoadSites) over a
// registry holding 10, 100 and 1000 sites. Prints the time per site, how the
// cost grows from 100 to 1000 sites (about 10 means linear growth), and the
// start-up against a reference in the same run: one SQLite transaction that
// reads every stored value of the file, the least any start-up must do.
// The registry files go to $TMPDIR (default /tmp); with TMPDIR=/dev/shm the
// figures leave out the waits for the disk to confirm each committed call.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/silent_message_box.h"
#include "monitor/platform/message_box.h"
#include "monitor/platform/registry.h"
#include "monitor/store/load_settings.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_store.h"

namespace {

using namespace ossivant;

using bench::SilentMessageBox;

// One registry file per size, filled once and shared by every benchmark.
struct StoredSites {
    std::filesystem::path dir;
    std::unique_ptr<reg::Registry> registry;
    std::unique_ptr<RegistryAccess> access;
    SilentMessageBox messages;
    SiteTable sites;
    std::unique_ptr<SiteStore> store;
    QString logPath;

    explicit StoredSites(int count) {
        dir = bench::MakeBenchFolder("ossivant-bench");
        logPath = QString::fromStdString((dir / "Logs").string());
        registry = std::make_unique<reg::Registry>((dir / "registry.db").string());
        access = std::make_unique<RegistryAccess>(*registry);
        store = std::make_unique<SiteStore>(*access, sites, messages);
        for (int i = 1; i <= count; ++i) {
            SiteRecord r = bench::NumberedSite(i);
            r.Comments = QStringLiteral("Site OK");
            // Stored in reverse so the renumbering has real sorting to do.
            store->WriteSiteKey(r, count + 1 - i);
        }
        store->RenumberSites();
        store->LoadSites(true, true);
    }

    // Every site holds a check result, as after a run of the monitor, so the
    // load has real resets to write.
    void markChecked() {
        for (int i = 1; i <= sites.SiteCount(); ++i) {
            sites[i].Status = StatusOK;
            sites[i].Comments = QStringLiteral("Site OK");
            store->SaveSite(i, false);
        }
    }
    ~StoredSites() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

StoredSites& storedSites(int count) {
    static std::map<int, std::unique_ptr<StoredSites>> all;
    auto& slot = all[count];
    if (!slot) slot = std::make_unique<StoredSites>(count);
    return *slot;
}

void perSite(benchmark::State& state, int count) {
    state.counters["per_site"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_StartUp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    StoredSites& s = storedSites(count);
    for (auto _ : state) {
        state.PauseTiming();
        s.markChecked();
        state.ResumeTiming();
        Settings settings;
        LoadSettings(*s.access, settings, s.logPath);
        s.store->RenumberSites();
        s.store->LoadSites(false, false);
        if (s.sites.SiteCount() != count) state.SkipWithError("sites lost");
    }
    perSite(state, count);
}

void BM_RenumberSites(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    StoredSites& s = storedSites(count);
    for (auto _ : state) s.store->RenumberSites();
    perSite(state, count);
}

void BM_LoadSites(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    StoredSites& s = storedSites(count);
    for (auto _ : state) s.store->LoadSites(false, false);
    perSite(state, count);
}

void BM_LoadSettings(benchmark::State& state) {
    StoredSites& s = storedSites(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Settings settings;
        LoadSettings(*s.access, settings, s.logPath);
        benchmark::DoNotOptimize(settings.TimerInterval);
    }
}

// The reference: every value row of the file, read in one transaction.
void BM_PlainRead(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    StoredSites& s = storedSites(count);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(s.registry->path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the registry file");
        return;
    }
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(db, "SELECT key, name, type, data FROM vals", -1, &read, nullptr);
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        std::int64_t bytes = 0;
        while (sqlite3_step(read) == SQLITE_ROW) bytes += sqlite3_column_bytes(read, 3);
        sqlite3_reset(read);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_finalize(read);
    sqlite3_close(db);
    perSite(state, count);
}

BENCHMARK(BM_StartUp)->Arg(10)->Arg(100)->Arg(1000)->MinTime(2.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenumberSites)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSites)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRead)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSettings)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each run's real time per iteration so the summary can compare sizes.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            const double n = static_cast<double>(r.iterations);
            const int sites = std::stoi(r.run_name.args);
            real[r.run_name.function_name][sites] = r.real_accumulated_time / n;
            cpu[r.run_name.function_name][sites] = r.cpu_accumulated_time / n;
        }
    }
    using Table = std::map<std::string, std::map<int, double>>;
    Table real;
    Table cpu;
};

// Time per site for each size, and the cost at 1000 sites over the cost at 100.
void printSummary(const char* title, const SummaryReporter::Table& table) {
    std::printf("\n%s\n%-18s %14s %14s %14s %10s\n", title, "benchmark", "10 sites", "100 sites",
                "1000 sites", "1000/100");
    for (const auto& [name, bySize] : table) {
        if (name == "BM_LoadSettings") continue;
        std::printf("%-18s", name.c_str());
        for (int n : {10, 100, 1000}) {
            auto it = bySize.find(n);
            if (it == bySize.end())
                std::printf(" %14s", "-");
            else
                std::printf(" %8.1f us/st", it->second / n * 1e6);
        }
        auto a = bySize.find(100), b = bySize.find(1000);
        if (a != bySize.end() && b != bySize.end()) std::printf(" %10.2f", b->second / a->second);
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Real time includes waiting for the disk to confirm each committed
    // registry call; processor time shows the work of the code itself.
    printSummary("real time", reporter.real);
    printSummary("processor time", reporter.cpu);

    std::printf("\nstart-up (LoadSettings + RenumberSites + LoadSites), real time\n");
    for (int n : {10, 100, 1000}) {
        const double startUp = reporter.real["BM_StartUp"][n];
        const double plain = reporter.real["BM_PlainRead"][n];
        if (startUp <= 0 || plain <= 0) continue;
        std::printf("%5d sites: %8.2f ms; plain read of every value %6.3f ms; ratio %6.1f\n", n,
                    startUp * 1e3, plain * 1e3, startUp / plain);
    }
    return 0;
}
