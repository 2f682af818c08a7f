#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "monitor/platform/registry.h"
#include "regtool/key_path.h"

namespace ossivant::regtool {

struct Value {
    std::string name;
    std::uint32_t type = reg::REG_NONE;
    std::string data;  // raw bytes
};

// Reading and changing whole keys through the registry's calls. Every
// function returns the status of the first call that failed.
class RegTree {
public:
    explicit RegTree(reg::Registry& reg) : reg_(reg) {}

    std::int32_t keyExists(const KeyPath& key);
    std::int32_t values(const KeyPath& key, std::vector<Value>* out);
    std::int32_t value(const KeyPath& key, const std::string& name, Value* out);
    std::int32_t subkeys(const KeyPath& key, std::vector<std::string>* out);
    // Calls `visit` for `key` and then, depth first in enumeration order,
    // for every key below it.
    std::int32_t walk(const KeyPath& key, const std::function<std::int32_t(const KeyPath&)>& visit);

    std::int32_t createKey(const KeyPath& key);
    std::int32_t setValue(const KeyPath& key, const Value& value);
    std::int32_t deleteValue(const KeyPath& key, const std::string& name);
    // Deletes the key with everything below it.
    std::int32_t deleteTree(const KeyPath& key);

private:
    reg::Registry& reg_;
};

}  // namespace ossivant::regtool
