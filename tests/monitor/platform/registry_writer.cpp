// Test helper: writes COUNT values named PREFIX-0 .. PREFIX-(COUNT-1) into
// HKEY_LOCAL_MACHINE\Software\Race of the registry file PATH, one call each,
// and a subkey PREFIX-n for every tenth value. Exits 0 when every call
// succeeded, else 1 after the first failure.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "monitor/platform/registry.h"

using namespace ossivant::reg;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer PATH PREFIX COUNT\n");
        return 2;
    }
    Registry reg(argv[1]);
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    HKEY race = 0;
    std::int32_t status = reg.CreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Race", &race);
    for (int i = 0; status == ERROR_SUCCESS && i < count; ++i) {
        const std::string name = prefix + "-" + std::to_string(i);
        const std::string data = name + " data";
        status = reg.SetValueEx(race, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(data.c_str()),
                                static_cast<std::uint32_t>(data.size() + 1));
        if (status == ERROR_SUCCESS && i % 10 == 0) {
            HKEY sub = 0;
            status = reg.CreateKeyEx(race, name, &sub);
            reg.CloseKey(sub);
        }
    }
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "registry_writer: status %d\n", status);
        return 1;
    }
    return 0;
}
