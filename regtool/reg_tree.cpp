#include "regtool/reg_tree.h"

#include "monitor/platform/registry_names.h"

namespace ossivant::regtool {
namespace {

using namespace ossivant::reg;

// Closes a handle opened below a hive when it goes out of scope.
class OpenKey {
public:
    OpenKey(Registry& reg, const KeyPath& key, bool create) : reg_(reg) {
        status_ = create ? reg.CreateKeyEx(key.hive, key.subKey, &handle_) : reg.OpenKeyEx(key.hive, key.subKey, &handle_);
    }
    ~OpenKey() {
        if (status_ == ERROR_SUCCESS) reg_.CloseKey(handle_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    std::int32_t status() const { return status_; }
    HKEY handle() const { return handle_; }

private:
    Registry& reg_;
    HKEY handle_ = 0;
    std::int32_t status_;
};

std::int32_t readValue(Registry& reg, HKEY key, const std::string& name, Value* out) {
    std::uint32_t size = 0;
    out->name = name;
    std::int32_t status = reg.QueryValueEx(key, name, &out->type, nullptr, &size);
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        out->data.assign(size, '\0');
        status = reg.QueryValueEx(key, name, &out->type, reinterpret_cast<std::uint8_t*>(out->data.data()), &size);
        if (status == ERROR_SUCCESS) {
            out->data.resize(size);
            break;
        }
    }
    return status;
}

}  // namespace

std::int32_t RegTree::keyExists(const KeyPath& key) {
    return OpenKey(reg_, key, false).status();
}

std::int32_t RegTree::values(const KeyPath& key, std::vector<Value>* out) {
    out->clear();
    OpenKey open(reg_, key, false);
    if (open.status() != ERROR_SUCCESS) return open.status();
    std::string name;
    for (std::uint32_t i = 0;; ++i) {
        std::int32_t status = reg_.EnumValue(open.handle(), i, &name, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        Value value;
        if (status == ERROR_SUCCESS) status = readValue(reg_, open.handle(), name, &value);
        if (status != ERROR_SUCCESS) return status;
        out->push_back(std::move(value));
    }
}

std::int32_t RegTree::value(const KeyPath& key, const std::string& name, Value* out) {
    OpenKey open(reg_, key, false);
    if (open.status() != ERROR_SUCCESS) return open.status();
    const std::int32_t status = readValue(reg_, open.handle(), name, out);
    if (status != ERROR_SUCCESS) return status;
    // Show the name as it is stored, not as it was asked for.
    const std::string wanted = foldName(name);
    std::string stored;
    for (std::uint32_t i = 0; reg_.EnumValue(open.handle(), i, &stored, nullptr) == ERROR_SUCCESS; ++i) {
        if (foldName(stored) == wanted) {
            out->name = stored;
            break;
        }
    }
    return ERROR_SUCCESS;
}

std::int32_t RegTree::subkeys(const KeyPath& key, std::vector<std::string>* out) {
    out->clear();
    OpenKey open(reg_, key, false);
    if (open.status() != ERROR_SUCCESS) return open.status();
    std::string name;
    for (std::uint32_t i = 0;; ++i) {
        const std::int32_t status = reg_.EnumKey(open.handle(), i, &name);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        out->push_back(name);
    }
}

std::int32_t RegTree::walk(const KeyPath& key, const std::function<std::int32_t(const KeyPath&)>& visit) {
    std::int32_t status = visit(key);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::string> names;
    status = subkeys(key, &names);
    for (const std::string& name : names) {
        if (status != ERROR_SUCCESS) break;
        status = walk(key.child(name), visit);
    }
    return status;
}

std::int32_t RegTree::createKey(const KeyPath& key) {
    return OpenKey(reg_, key, true).status();
}

std::int32_t RegTree::setValue(const KeyPath& key, const Value& value) {
    OpenKey open(reg_, key, true);
    if (open.status() != ERROR_SUCCESS) return open.status();
    return reg_.SetValueEx(open.handle(), value.name, value.type,
                           reinterpret_cast<const std::uint8_t*>(value.data.data()),
                           static_cast<std::uint32_t>(value.data.size()));
}

std::int32_t RegTree::deleteValue(const KeyPath& key, const std::string& name) {
    OpenKey open(reg_, key, false);
    if (open.status() != ERROR_SUCCESS) return open.status();
    return reg_.DeleteValue(open.handle(), name);
}

std::int32_t RegTree::deleteTree(const KeyPath& key) {
    if (key.subKey.empty()) return ERROR_ACCESS_DENIED;  // a hive stays
    std::vector<std::string> names;
    std::int32_t status = subkeys(key, &names);
    for (const std::string& name : names) {
        if (status != ERROR_SUCCESS) return status;
        status = deleteTree(key.child(name));
    }
    if (status != ERROR_SUCCESS) return status;
    return reg_.DeleteKey(key.hive, key.subKey);
}

}  // namespace ossivant::regtool
