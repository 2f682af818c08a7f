#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "monitor/platform/registry.h"

namespace ossivant::test {

// Short forms of the registry calls, for tests.
inline std::int32_t setString(reg::Registry& r, reg::HKEY key, const std::string& name, const std::string& text) {
    std::string bytes = text;
    bytes.push_back('\0');
    return r.SetValueEx(key, name, reg::REG_SZ, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                        static_cast<std::uint32_t>(bytes.size()));
}

inline std::int32_t setDword(reg::Registry& r, reg::HKEY key, const std::string& name, std::uint32_t v) {
    const std::uint8_t le[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return r.SetValueEx(key, name, reg::REG_DWORD, le, 4);
}

// The raw bytes of a value; `status` receives the call's result.
inline std::string rawValue(reg::Registry& r, reg::HKEY key, const std::string& name, std::int32_t* status,
                            std::uint32_t* type = nullptr) {
    std::uint32_t size = 0;
    *status = r.QueryValueEx(key, name, type, nullptr, &size);
    if (*status != reg::ERROR_SUCCESS) return {};
    std::string bytes(size, '\0');
    *status = r.QueryValueEx(key, name, type, reinterpret_cast<std::uint8_t*>(bytes.data()), &size);
    bytes.resize(size);
    return bytes;
}

inline std::vector<std::string> subkeys(reg::Registry& r, reg::HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; r.EnumKey(key, i, &name) == reg::ERROR_SUCCESS; ++i) names.push_back(name);
    return names;
}

inline std::vector<std::string> valueNames(reg::Registry& r, reg::HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; r.EnumValue(key, i, &name, nullptr) == reg::ERROR_SUCCESS; ++i) names.push_back(name);
    return names;
}

}  // namespace ossivant::test
