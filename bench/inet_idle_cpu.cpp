// Measures the CPU time the process uses while one probe waits on a server
// that accepts the connection and never answers, against the same wait with
// no probe at all. Usage: inet_idle_cpu [seconds]   (default 10)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "monitor/platform/inet_transfer.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Sample {
    double cpu;
    double wall;
};

Sample waitInEventLoop(int seconds) {
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double before = cpuSeconds();
    wall.start();
    loop.exec();
    return {cpuSeconds() - before, double(wall.nsecsElapsed()) / 1e9};
}

// A listener that is never accepted from: the kernel completes the
// connection and keeps the request, and no answer ever comes.
int silentListener(unsigned short* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        std::perror("listener");
        std::exit(1);
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const Sample idle = waitInEventLoop(seconds);

    unsigned short port = 0;
    const int listener = silentListener(&port);
    ossivant::InetTransfer inet;
    int lastState = 0;
    QObject::connect(&inet, &ossivant::TransferControl::StateChanged, [&](int state) { lastState = state; });
    inet.setRequestTimeout(seconds + 30);
    inet.Execute(QStringLiteral("http://127.0.0.1:%1/").arg(port), QStringLiteral("GET"));
    // Let the request go out before the measured wait begins.
    waitInEventLoop(1);
    const bool waiting = inet.StillExecuting() && lastState == ossivant::transfer_state::RequestSent;
    const Sample probe = waitInEventLoop(seconds);
    const bool stillWaiting = inet.StillExecuting();
    inet.Cancel();
    ::close(listener);

    std::printf("idle event loop : %8.3f ms CPU in %6.2f s wall (%.4f%% of one core)\n", idle.cpu * 1e3, idle.wall,
                100.0 * idle.cpu / idle.wall);
    std::printf("probe waiting   : %8.3f ms CPU in %6.2f s wall (%.4f%% of one core)\n", probe.cpu * 1e3, probe.wall,
                100.0 * probe.cpu / probe.wall);
    std::printf("extra CPU of the waiting probe: %.3f ms over %d s; probe was %s\n",
                (probe.cpu - idle.cpu) * 1e3, seconds,
                waiting && stillWaiting ? "waiting after its request the whole time" : "NOT waiting as staged");
    return waiting && stillWaiting ? 0 : 1;
}
