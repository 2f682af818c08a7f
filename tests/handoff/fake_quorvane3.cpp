// Stands in for quorvane3 in the hand-off tests. It reports how it was
// started into the FIFO "report.fifo" beside the job file (when the test
// listens there), then ends, or, when a file "hold" lies beside the job,
// waits until the test stops it (at most 30 s).
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace {

std::string OpenDescriptors() {
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return "?";
    int own = ::dirfd(dir);
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || std::stoi(entry->d_name) == own) continue;
        list += std::string(entry->d_name) + " ";
    }
    ::closedir(dir);
    return list;
}

std::string Target(int fd) {
    char target[PATH_MAX] = {};
    std::string link = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?";
}

}  // namespace

int main(int argc, char** argv) {
    ::alarm(30);
    if (argc < 2) return 2;
    std::string job = argv[1];
    std::string dir = job.substr(0, job.rfind('/'));

    std::string report = "argc=" + std::to_string(argc) + "\n";
    report += "job=" + job + "\n";
    report += "pid=" + std::to_string(::getpid()) + "\n";
    report += "sid=" + std::to_string(::getsid(0)) + "\n";
    report += "fds=" + OpenDescriptors() + "\n";
    report += "std=" + Target(0) + "," + Target(1) + "," + Target(2) + "\n";

    int out = ::open((dir + "/report.fifo").c_str(), O_WRONLY | O_NONBLOCK);
    if (out >= 0) {
        ssize_t written = ::write(out, report.data(), report.size());
        (void)written;
        ::close(out);
    }
    if (::access((dir + "/hold").c_str(), F_OK) == 0) ::pause();
    return 0;
}
