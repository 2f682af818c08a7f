#include "handoff/spool.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace handoff {
namespace {

std::string EnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeDir() {
    std::string home = EnvValue("HOME");
    if (!home.empty()) return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return {};
}

}  // namespace

std::string DefaultSpoolDir() {
    std::string dir = EnvValue("VB_QUORVANE3_SPOOL");
    if (!dir.empty()) return dir;
    std::string state = EnvValue("XDG_STATE_HOME");
    // The base directory rules ignore a relative XDG path.
    if (state.empty() || state[0] != '/') {
        std::string home = HomeDir();
        if (home.empty()) return {};
        state = home + "/.local/state";
    }
    return state + "/ossivant/spool";
}

bool MakePrivateDir(const std::string& dir) {
    if (dir.empty()) return false;
    // Create the missing parents; those that exist are left as they are.
    for (std::size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1)) {
        std::string parent = dir.substr(0, slash);
        if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;

    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
    if ((info.st_mode & 07777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) return false;
    return true;
}

}  // namespace handoff
