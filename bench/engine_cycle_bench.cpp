// What a check cycle costs beyond the HTTP requests themselves, and what a
// cycle costs while it waits on a server that never answers.
//
// Parts 1 to 3 time a manual cycle of the engine against a plain libcurl loop
// fetching the same URLs one after the other with a fresh connection each,
// in the same run, in alternating rounds after one warm-up of each. They
// print the medians of the rounds per site, wall time and the process's CPU
// time (user + system), and the ratios engine/libcurl. The difference is the
// engine's own work per site: registry writes, log lines, events, the walk.
// The TLS server and nginx run in processes of their own and are not in the
// CPU figures; the fake server of part 1 runs on threads of the bench and is.
//
// 1. N enabled sites (default 200) served by the tests' fake HTTP server.
// 2. The same over HTTPS: a local TLS server (Python's ssl module, a
//    certificate made for the run); the libcurl loop verifies the same
//    certificate.
// 3. M sites (default 1000) on distinct paths of nginx from the system
//    (/usr/sbin/nginx), started by the bench with a configuration of its own
//    in a temporary folder and stopped by its process id at the end; skipped
//    when nginx is not installed.
// 4. The CPU time of the process while the cycle's only probe waits W
//    seconds (default 10) on a server that accepts and stays silent, with
//    TimerMain ticking every second, against an idle event loop.
//
// Usage: engine_cycle_bench [sites] [wait-seconds] [rounds] [nginx-sites]
// (rounds default 3; 0 sites leaves out parts 1 and 2, 0 seconds part 4).
#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "monitor/platform/time_zone.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/live_engine.h"
#include "tests/support/tls_server.h"

using namespace ossivant;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall and process CPU seconds of one piece of work.
struct Sample {
    double wall = 0, cpu = 0;
};

template <class Work>
Sample timed(Work&& work) {
    QElapsedTimer wall;
    const double cpu = cpuSeconds();
    wall.start();
    work();
    return {double(wall.nsecsElapsed()) / 1e9, cpuSeconds() - cpu};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Sample median(const std::vector<Sample>& samples) {
    std::vector<double> walls, cpus;
    for (const Sample& s : samples) {
        walls.push_back(s.wall);
        cpus.push_back(s.cpu);
    }
    return {median(walls), median(cpus)};
}

size_t discard(char*, size_t size, size_t n, void*) {
    return size * n;
}

size_t collect(char* data, size_t size, size_t n, void* body) {
    static_cast<std::string*>(body)->append(data, size * n);
    return size * n;
}

// The reference: the same URLs, one plain request after the other.
void curlLoop(const std::vector<std::string>& urls, const std::string& caFile = {}) {
    for (const std::string& url : urls) {
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
        if (!caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
        if (curl_easy_perform(curl) != CURLE_OK)
            std::fprintf(stderr, "curl failed: %s\n", url.c_str());
        curl_easy_cleanup(curl);
    }
}

// The monitor's engine with a real transfer control, registry and log, and
// a screen that shows nothing.
struct Monitor : test::LiveEngine {
    void addSite(const std::string& url, std::int32_t timeOut) {
        SiteRecord r;
        r.URL = UrlOfAddress(QString::fromStdString(url));
        r.Status = StatusOK;
        r.Enabled = 1;
        r.TimeOut = timeOut;
        store.SaveSite(sites.append(r), true);
    }
    // Starts a cycle and runs the event loop until it ends.
    void cycle(int boundSeconds) {
        if (runCycle(boundSeconds)) return;
        std::fprintf(stderr, "cycle did not end in time\n");
        late = true;
    }
    int sitesOk() const {
        int ok = 0;
        for (const SiteRecord& s : sites) ok += s.Status == StatusOK;
        return late ? 0 : ok;
    }
    bool late = false;
};

// Engine against the plain loop over the same URLs, one site per URL; prints
// the figures and returns whether every site was OK.
bool compare(const char* what, const std::vector<std::string>& urls, int rounds, int boundSeconds,
             const std::string& caFile = {}) {
    Monitor monitor;
    for (const std::string& url : urls) monitor.addSite(url, 30);
    curlLoop(urls, caFile);  // warm up both paths once
    monitor.cycle(boundSeconds);
    std::vector<Sample> engineRounds, curlRounds;
    for (int r = 0; r < rounds; ++r) {
        curlRounds.push_back(timed([&] { curlLoop(urls, caFile); }));
        engineRounds.push_back(timed([&] { monitor.cycle(boundSeconds); }));
    }
    const int n = int(urls.size()), ok = monitor.sitesOk();
    const Sample engine = median(engineRounds), curl = median(curlRounds);
    std::printf("%s over %d sites, per site (median of %d rounds):\n", what, n, rounds);
    std::printf("  engine          wall %7.3f ms   CPU %7.3f ms\n", engine.wall * 1e3 / n,
                engine.cpu * 1e3 / n);
    std::printf("  plain libcurl   wall %7.3f ms   CPU %7.3f ms\n", curl.wall * 1e3 / n,
                curl.cpu * 1e3 / n);
    std::printf("  engine/libcurl  wall %7.2f      CPU %7.2f\n", engine.wall / curl.wall,
                engine.cpu / curl.cpu);
    std::printf("  sites OK: %d/%d\n", ok, n);
    return ok == n;
}

// A port on 127.0.0.1 that was free a moment ago.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool answersOk(const std::string& url) {
    std::string body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 2L);
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    return status == 200 && body == "ok";
}

// nginx on 127.0.0.1 with one worker and a configuration of its own in a
// temporary folder, answering "ok" to every path. It runs in the foreground
// as a child of the bench and is stopped with SIGTERM by its process id when
// this goes away, or by the kernel when the bench dies first.
class Nginx {
public:
    explicit Nginx(const QString& program) {
        for (int attempt = 0; attempt < 5 && !port_; ++attempt) start(program, freePort());
    }
    ~Nginx() { stop(); }
    Nginx(const Nginx&) = delete;
    Nginx& operator=(const Nginx&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    // nginx creates its temporary folders at start; the built-in ones are
    // under /var/lib/nginx, so they are moved into the folder.
    void start(const QString& program, int port) {
        if (!port) return;
        QFile config(dir_.filePath(QStringLiteral("nginx.conf")));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
        config.write(
            QStringLiteral("worker_processes 1;\ndaemon off;\npid nginx.pid;\n"
                           "error_log error.log;\nevents { worker_connections 1024; }\n"
                           "http {\n  access_log off;\n  client_body_temp_path body;\n"
                           "  proxy_temp_path proxy;\n  fastcgi_temp_path fastcgi;\n"
                           "  uwsgi_temp_path uwsgi;\n  scgi_temp_path scgi;\n"
                           "  server {\n    listen 127.0.0.1:%1;\n    default_type text/plain;\n"
                           "    location / { return 200 \"ok\"; }\n  }\n}\n")
                .arg(port)
                .toUtf8());
        config.close();
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start(program, {QStringLiteral("-p"), dir_.path() + QLatin1Char('/'),
                                 QStringLiteral("-c"), config.fileName(), QStringLiteral("-e"),
                                 dir_.filePath(QStringLiteral("error.log"))});
        if (!process_.waitForStarted(5000)) return;
        port_ = port;
        const QDeadlineTimer deadline(10000);
        while (!answersOk(url("/"))) {
            // An exit here is most often a port taken since it was found free.
            if (process_.waitForFinished(50) || deadline.hasExpired()) {
                stop();
                port_ = 0;
                return;
            }
        }
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        ::kill(pid_t(process_.processId()), SIGTERM);
        process_.waitForFinished(10000);
    }

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// The N sites on nginx; true when nginx is not installed.
bool compareOnNginx(int count, int rounds) {
    QString program = QStandardPaths::findExecutable(QStringLiteral("nginx"), {"/usr/sbin"});
    if (program.isEmpty()) program = QStandardPaths::findExecutable(QStringLiteral("nginx"));
    if (program.isEmpty()) {
        std::printf("nginx not installed (apt-get install nginx-light): its part is skipped\n");
        return true;
    }
    QProcess version;
    version.start(program, {QStringLiteral("-v")});
    version.waitForFinished(5000);
    std::printf("%s\n", version.readAllStandardError().trimmed().constData());

    Nginx nginx(program);
    if (!nginx.port()) {
        std::fprintf(stderr, "nginx did not start on 127.0.0.1\n");
        return false;
    }
    std::vector<std::string> urls;
    for (int k = 0; k < count; ++k) urls.push_back(nginx.url("/site" + std::to_string(k)));
    return compare("nginx cycle", urls, rounds, 600);
}

double waitInEventLoop(int seconds) {
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const double before = cpuSeconds();
    loop.exec();
    return cpuSeconds() - before;
}

}  // namespace

int main(int argc, char** argv) {
    PinLocalTimeZone();  // as the monitor does at its start
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(0, std::atoi(argv[1])) : 200;
    const int waitSeconds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 10;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const int nginxCount = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1000;
    curl_global_init(CURL_GLOBAL_DEFAULT);

    bool httpOk = true;
    bool httpsOk = true;
    if (count > 0) {
        // --- 1. a cycle over `count` sites ----------------------------------
        test::FakeHttpServer server(test::httpReply(
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nok"));
        std::vector<std::string> urls;
        for (int k = 0; k < count; ++k) urls.push_back(server.url("/site" + std::to_string(k)));
        httpOk = compare("cycle", urls, rounds, 300);

        // --- 2. the same over HTTPS -----------------------------------------
        test::TlsCertificates certs;
        if (!certs.ok()) {
            std::fprintf(stderr, "no test certificates: %s\n", qPrintable(certs.error()));
        } else {
            qputenv(InetTransfer::kCaFileVariable, certs.caFile().toLocal8Bit());
            qputenv("no_proxy", "127.0.0.1,localhost");
            test::TlsServer tls(certs.certFile(test::TlsCertificates::Good), certs.keyFile());
            std::vector<std::string> secureUrls;
            for (int k = 0; k < count; ++k)
                secureUrls.push_back(tls.url(QStringLiteral("/site%1").arg(k)).toStdString());
            httpsOk = compare("HTTPS cycle", secureUrls, rounds, 600, certs.caFile().toStdString());
        }
    }

    // --- 3. a cycle over `nginxCount` sites on nginx ---------------------
    const bool nginxOk = compareOnNginx(nginxCount, rounds);

    bool stillWaiting = true;
    if (waitSeconds > 0) {
        // --- 4. CPU while the cycle waits on a silent server -----------------
        const double idleCpu = waitInEventLoop(waitSeconds);
        test::FakeHttpServer silent({test::HttpStep::readRequest(), test::HttpStep::silent()});
        Monitor waiting;
        waiting.addSite(silent.url("/"), waitSeconds + 30);
        waiting.engine.mF_StartCheck_Click();
        silent.waitForConnections(1, std::chrono::seconds(5));
        const double waitCpu = waitInEventLoop(waitSeconds);
        stillWaiting = waiting.engine.CycleRunning() && waiting.inet.StillExecuting();
        waiting.engine.StopCheck();
        std::printf("idle event loop : %8.3f ms CPU in %d s\n", idleCpu * 1e3, waitSeconds);
        std::printf("cycle waiting   : %8.3f ms CPU in %d s (%.4f%% of one core); %s\n", waitCpu * 1e3,
                    waitSeconds, 100.0 * waitCpu / waitSeconds,
                    stillWaiting ? "the probe waited the whole time" : "NOT waiting as staged");
    }
    curl_global_cleanup();
    return httpOk && httpsOk && nginxOk && stillWaiting ? 0 : 1;
}
