#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "monitor/platform/registry.h"

namespace ossivant::test {

// Values under the monitor's own key of a registry file, as a test stores them
// before it starts the real program and reads them back after.
class RegistryValues {
public:
    explicit RegistryValues(std::string path) : path_(std::move(path)) {}

    void put(const std::string& key, const std::string& name, std::uint32_t value) const {
        const std::uint8_t le[4] = {std::uint8_t(value), std::uint8_t(value >> 8),
                                    std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
        write(key, name, reg::REG_DWORD, le, 4);
    }
    void put(const std::string& key, const std::string& name, const std::string& value) const {
        const std::string text = value + '\0';
        write(key, name, reg::REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
              static_cast<std::uint32_t>(text.size()));
    }
    // 0xFFFFFFFF when the value is not there.
    std::uint32_t dword(const std::string& key, const std::string& name) const {
        reg::Registry reg(path_);
        reg::HKEY h = 0;
        if (reg.OpenKeyEx(reg::HKEY_LOCAL_MACHINE, kRoot + key, &h) != 0) return 0xFFFFFFFF;
        std::uint32_t type = 0, size = 4;
        std::uint8_t data[4] = {};
        const std::int32_t status = reg.QueryValueEx(h, name, &type, data, &size);
        reg.CloseKey(h);
        if (status != 0) return 0xFFFFFFFF;
        return data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
    }
    // An enabled site whose key is named by its address.
    void addSite(const std::string& address, std::uint32_t index) const {
        put("\\Address\\" + address, "URL", address);
        put("\\Address\\" + address, "Index", index);
        put("\\Address\\" + address, "Enabled", 1);
        put("\\Address\\" + address, "TimeOut", 10);
    }

private:
    static inline const std::string kRoot = "Software\\Pelgrade\\Ossivant";

    void write(const std::string& key, const std::string& name, std::uint32_t type,
               const std::uint8_t* data, std::uint32_t size) const {
        reg::Registry reg(path_);
        reg::HKEY h = 0;
        if (reg.CreateKeyEx(reg::HKEY_LOCAL_MACHINE, kRoot + key, &h) != 0) return;
        reg.SetValueEx(h, name, type, data, size);
        reg.CloseKey(h);
    }

    std::string path_;
};

}  // namespace ossivant::test
