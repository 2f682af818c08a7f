// What the viewer's HTML copy of a large check log costs.
//
// A generated log of N lines (default 100,000: cycles of 48 sites, with
// every display class, commas in notes and the engine's mark-up) is turned
// into its HTML copy by the real `scrollet` program, started with two
// arguments as the monitor starts it. The reference, run in the same way as
// a child process of its own, reads the same file and writes every line
// HTML-escaped into one output file: the least any copy has to do. Wall time
// and peak resident memory (ru_maxrss of each child, from wait4) are
// compared; each is the median / maximum of R rounds (default 5).
//
// Usage: scrollet_bench [lines] [rounds]
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

QByteArray GenerateLog(int lines) {
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
        for (int site = 0; site < 48 && written < lines - 1; ++site, ++written)
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--reference") return Reference(argv[2], argv[3]);
    const int lines = argc > 1 ? std::max(3, std::atoi(argv[1])) : 100'000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    char folder[] = "/tmp/scrollet-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string log = std::string(folder) + "/W-20261206.ovl";
    const QByteArray bytes = GenerateLog(lines);
    {
        QFile file(QString::fromStdString(log));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return 1;
    }
    char selfPath[4096];
    const ssize_t n = readlink("/proc/self/exe", selfPath, sizeof selfPath - 1);
    if (n <= 0) return 1;
    selfPath[n] = '\0';

    const std::string html = std::string(folder) + "/copy.htm";
    const std::string reference = std::string(folder) + "/reference.htm";
    std::vector<double> scrolletTimes, referenceTimes;
    long scrolletRss = 0, referenceRss = 0;
    for (int r = 0; r < rounds; ++r) {
        const ChildRun s = RunChild({SCROLLET_PROGRAM, log, html});
        const ChildRun f = RunChild({selfPath, "--reference", log, reference});
        if (s.status != 0 || f.status != 0) {
            std::fprintf(stderr, "a run failed: scrollet %d, reference %d\n", s.status, f.status);
            return 1;
        }
        scrolletTimes.push_back(s.seconds);
        referenceTimes.push_back(f.seconds);
        scrolletRss = std::max(scrolletRss, s.maxRssKiB);
        referenceRss = std::max(referenceRss, f.maxRssKiB);
    }
    const double st = Median(scrolletTimes), rt = Median(referenceTimes);
    std::printf("log: %d lines, %lld bytes; HTML copy %lld bytes, reference %lld bytes\n", lines,
                static_cast<long long>(bytes.size()),
                static_cast<long long>(QFile(QString::fromStdString(html)).size()),
                static_cast<long long>(QFile(QString::fromStdString(reference)).size()));
    std::printf("rounds: %d (median time, largest peak memory; each run a child process)\n",
                rounds);
    std::printf("scrollet LOG HTML:     %8.1f ms  peak RSS %7ld KiB\n", st * 1e3, scrolletRss);
    std::printf("reference (escape):    %8.1f ms  peak RSS %7ld KiB\n", rt * 1e3, referenceRss);
    std::printf("ratio scrollet/reference: time %.2f, peak memory %.2f\n", st / rt,
                double(scrolletRss) / double(referenceRss));

    for (const std::string& f : {log, html, reference}) std::remove(f.c_str());
    rmdir(folder);
    return 0;
}
