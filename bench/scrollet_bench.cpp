// What the viewer's HTML copy of a large check log costs, and how its
// memory grows with the log.
//
// Generated logs (cycles of 48 sites, or all lines in one cycle; every
// display class, commas in notes and the engine's mark-up) of 10,000 to
// 1,000,000 lines are turned into their HTML copies by the real `scrollet`
// program, started with two arguments as the monitor starts it. The
// reference, run in the same way as a child process of its own, reads the
// same file whole and writes every line HTML-escaped into one output file.
// Wall time and peak resident memory (ru_maxrss of each child, from wait4)
// are compared; each is the median / maximum of R rounds (default 3). The
// peak memory is also given against the log's size, which shows whether the
// copy holds the log.
//
// Usage: scrollet_bench [rounds] [largest lines]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The reference work, in its own process.
int Reference(const char* logPath, const char* htmlPath) {
    QFile in(QString::fromLocal8Bit(logPath));
    QFile out(QString::fromLocal8Bit(htmlPath));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return 1;
    const QByteArray bytes = in.readAll();
    QByteArray html = "<!DOCTYPE html>\n<html><body><pre>\n";
    for (const QByteArray& line : bytes.split('\n'))
        html += QString::fromUtf8(line.trimmed()).toHtmlEscaped().toUtf8() + "<br>\n";
    html += "</pre></body></html>\n";
    return out.write(html) == html.size() ? 0 : 1;
}

QByteArray GenerateLog(int lines, int sitesPerCycle) {
    static const char* const kData[] = {
        "http://shop.example.com,Site OK,1,,1",
        "http://intranet.example,404 File Not Found,0,First failure; rechecked soon,4",
        "(1) http://mail.example.net<BR>(2) http://192.0.2.7,(1) Connection refused<BR>(2) Timed "
        "out,30,<SPAN class=\"Emphasis\">IP Double Check</SPAN>; E-mail Notification Sent,2",
        "http://old.example.org,Unknown Site: Site #,0,,3",
        "http://api.example.com/v1/status?full=1&x=<y>,500 Internal Server Error,2,slow, then "
        "refused, retried,2",
        "http://news.example.com,Site OK,0,,1",
    };
    QByteArray log;
    log.reserve(qsizetype(lines) * 110);
    int written = 0;
    int cycle = 0;
    while (written < lines) {
        const QByteArray time = "7 Dec 2026 " + QByteArray::number(9 + cycle / 60 % 12) + ":" +
                                QByteArray::number(10 + cycle % 50) + ":00";
        log +=
            (cycle % 5 == 0 ? "[START CHECK: MANUAL - " : "[START CHECK: AUTO - ") + time + "]\r\n";
        ++written;
        for (int site = 0; site < sitesPerCycle && written < lines - 1; ++site, ++written)
            log += time + ',' + kData[(site + cycle) % 6] + "\r\n";
        log += "[END CHECK]\r\n";
        ++written;
        ++cycle;
    }
    return log;
}

struct ChildRun {
    double seconds = 0;
    long maxRssKiB = 0;
    int status = -1;
};

ChildRun RunChild(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ChildRun run;
    QElapsedTimer wall;
    wall.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = double(wall.nsecsElapsed()) / 1e9;
    run.maxRssKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Figures {
    double seconds = 0;
    long peakKiB = 0;
};

// A child's peak memory counts that of the process that started it (the
// memory it shared until its exec), and this one holds the generated logs.
// So each run is started by a fresh copy of this program ("--run"), which
// holds next to nothing, and which leaves the run's figures in `result`.
int RunAndTell(const char* result, char** argv) {
    std::vector<std::string> args;
    for (char** a = argv; *a; ++a) args.emplace_back(*a);
    const ChildRun run = RunChild(args);
    FILE* out = std::fopen(result, "w");
    if (!out) return 1;
    std::fprintf(out, "%.6f %ld %d\n", run.seconds, run.maxRssKiB, run.status);
    return std::fclose(out) == 0 ? 0 : 1;
}

// Runs `argv` `rounds` times through a fresh copy of `self`; the median
// time and the largest peak.
bool Measure(const std::string& self, const std::string& result,
             const std::vector<std::string>& argv, int rounds, Figures& out) {
    std::vector<double> times;
    std::vector<std::string> runner = {self, "--run", result};
    runner.insert(runner.end(), argv.begin(), argv.end());
    for (int r = 0; r < rounds; ++r) {
        ChildRun run;
        FILE* in = nullptr;
        if (RunChild(runner).status == 0 && (in = std::fopen(result.c_str(), "r"))) {
            if (std::fscanf(in, "%lf %ld %d", &run.seconds, &run.maxRssKiB, &run.status) != 3)
                run.status = -1;
            std::fclose(in);
        }
        if (run.status != 0) {
            std::fprintf(stderr, "%s failed: %d\n", argv[0].c_str(), run.status);
            return false;
        }
        times.push_back(run.seconds);
        out.peakKiB = std::max(out.peakKiB, run.maxRssKiB);
    }
    out.seconds = Median(times);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--reference") return Reference(argv[2], argv[3]);
    if (argc > 3 && std::string(argv[1]) == "--run") return RunAndTell(argv[2], argv + 3);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int largest = argc > 2 ? std::max(1000, std::atoi(argv[2])) : 1'000'000;

    char folder[] = "/tmp/scrollet-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    char selfPath[4096];
    const ssize_t n = readlink("/proc/self/exe", selfPath, sizeof selfPath - 1);
    if (n <= 0) return 1;
    selfPath[n] = '\0';
    const std::string log = std::string(folder) + "/W-20261206.ovl";
    const std::string html = std::string(folder) + "/copy.htm";
    const std::string reference = std::string(folder) + "/reference.htm";
    const std::string result = std::string(folder) + "/run.txt";

    std::printf("rounds: %d (median time, largest peak memory; each run a child process)\n",
                rounds);
    std::printf("%-28s %8s | %11s %9s %8s | %10s %8s | %6s %6s\n", "log", "MiB", "scrollet ms",
                "peak MiB", "peak/log", "ref ms", "ref MiB", "time", "memory");
    struct Case {
        const char* shape;
        int lines;
        int sitesPerCycle;
    };
    std::vector<Case> cases;
    for (int lines = 10'000; lines <= largest; lines *= 10)
        cases.push_back({"cycles of 48", lines, 48});
    cases.push_back({"one cycle", largest, largest});
    for (const Case& c : cases) {
        qint64 logBytes = 0;
        {
            // Freed before the runs: a child's peak memory counts what this
            // process holds when it starts the child.
            const QByteArray bytes = GenerateLog(c.lines, c.sitesPerCycle);
            QFile file(QString::fromStdString(log));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return 1;
            logBytes = bytes.size();
        }
        Figures s, f;
        if (!Measure(selfPath, result, {SCROLLET_PROGRAM, log, html}, rounds, s) ||
            !Measure(selfPath, result, {selfPath, "--reference", log, reference}, rounds, f))
            return 1;
        const double logMiB = double(logBytes) / (1024.0 * 1024.0);
        const std::string name = std::to_string(c.lines) + " lines, " + c.shape;
        std::printf("%-28s %8.1f | %11.1f %9.1f %8.2f | %10.1f %8.1f | %6.2f %6.2f\n", name.c_str(),
                    logMiB, s.seconds * 1e3, double(s.peakKiB) / 1024.0,
                    double(s.peakKiB) / 1024.0 / logMiB, f.seconds * 1e3,
                    double(f.peakKiB) / 1024.0, s.seconds / f.seconds,
                    double(s.peakKiB) / double(f.peakKiB));
    }
    std::printf("time and memory: scrollet / reference\n");

    for (const std::string& f : {log, html, reference, result}) std::remove(f.c_str());
    rmdir(folder);
    return 0;
}
