#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "monitor/platform/registry.h"

namespace ossivant::regtool {

// A key as operators write it: a hive (HKLM, HKCU or their long names, any
// case) and a path below it.
struct KeyPath {
    reg::HKEY hive = reg::HKEY_LOCAL_MACHINE;
    std::string subKey;  // without leading or trailing "\"; empty for the hive itself

    // The long form, as query output and export files show it.
    std::string display() const;
    // The path of a subkey named `name` below this key.
    KeyPath child(const std::string& name) const;
};

// nullopt for an unknown hive or a malformed path.
std::optional<KeyPath> parseKeyPath(std::string_view text);

const char* hiveName(reg::HKEY hive);

}  // namespace ossivant::regtool
