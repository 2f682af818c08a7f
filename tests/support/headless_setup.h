#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/registry_values.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {

// A registry file, a spool folder and a log folder of their own for one run
// of the real monitor, named by the environment that the program inherits.
class HeadlessSetup {
public:
    HeadlessSetup() {
        std::filesystem::create_directories(spool);
        std::filesystem::create_directories(logs);
        ::setenv("OSSIVANT_REGISTRY", registry.path().c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", registry.dir().path().string().c_str(), 1);
        ::setenv("XDG_STATE_HOME", registry.dir().file("state").c_str(), 1);
        ::setenv("VB_QUORVANE3_SPOOL", spool.c_str(), 1);
        values.put("\\Settings\\Log", "LogPath", logs);
    }
    ~HeadlessSetup() { ::unsetenv("VB_QUORVANE3_SPOOL"); }
    HeadlessSetup(const HeadlessSetup&) = delete;
    HeadlessSetup& operator=(const HeadlessSetup&) = delete;

    TempRegistry registry;
    RegistryValues values{registry.path()};
    std::string spool = registry.dir().file("spool");
    std::string logs = registry.dir().file("logs");
};

}  // namespace ossivant::test
