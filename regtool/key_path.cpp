#include "regtool/key_path.h"

#include <strings.h>

namespace ossivant::regtool {

const char* hiveName(reg::HKEY hive) {
    return hive == reg::HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string KeyPath::display() const {
    return subKey.empty() ? hiveName(hive) : std::string(hiveName(hive)) + "\\" + subKey;
}

KeyPath KeyPath::child(const std::string& name) const {
    return {hive, subKey.empty() ? name : subKey + "\\" + name};
}

std::optional<KeyPath> parseKeyPath(std::string_view text) {
    const std::size_t sep = text.find('\\');
    const std::string hive(text.substr(0, sep));
    KeyPath path;
    if (strcasecmp(hive.c_str(), "HKLM") == 0 || strcasecmp(hive.c_str(), "HKEY_LOCAL_MACHINE") == 0) {
        path.hive = reg::HKEY_LOCAL_MACHINE;
    } else if (strcasecmp(hive.c_str(), "HKCU") == 0 || strcasecmp(hive.c_str(), "HKEY_CURRENT_USER") == 0) {
        path.hive = reg::HKEY_CURRENT_USER;
    } else {
        return std::nullopt;
    }
    if (sep != std::string_view::npos) {
        std::string_view rest = text.substr(sep + 1);
        if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
        if (!rest.empty() && (rest.front() == '\\' || rest.find("\\\\") != std::string_view::npos)) {
            return std::nullopt;
        }
        path.subKey = rest;
    }
    return path;
}

}  // namespace ossivant::regtool
