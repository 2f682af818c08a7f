#include "monitor/store/registry_access.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace ossivant {

namespace {

std::string toNative(const QString& text) { return text.toUtf8().toStdString(); }

// Text of a stored string: the bytes up to the first NUL, so the terminator
// (and anything a foreign writer left behind it) is dropped.
QString fromStored(const std::vector<std::uint8_t>& bytes) {
    std::size_t n = 0;
    while (n < bytes.size() && bytes[n] != 0) ++n;
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(n));
}

std::int32_t fromDword(const std::uint8_t* b) {
    const std::uint32_t u = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                            std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    return static_cast<std::int32_t>(u);
}

// A number written as text, in the way numeric text converts to a number
// variable: surrounding blanks ignored, fractions rounded.
std::optional<std::int64_t> parseNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const qlonglong whole = t.toLongLong(&ok);
    if (ok) return whole;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d) || std::fabs(d) > 9.0e18) return std::nullopt;
    return static_cast<std::int64_t>(std::llround(d));
}

template <typename T>
T saturate(std::int64_t v) {
    if (v < std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
    if (v > std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

using Access = reg::Registry::Transaction::Access;

// Opens a key for the span of one operation, which is one transaction, and
// always closes it again.
class OpenKey {
public:
    OpenKey(reg::Registry& r, reg::HKEY root, const QString& path, Access access)
        : r_(r), scope_(r, access) {
        status_ = r_.OpenKeyEx(root, toNative(path), &key_);
    }
    ~OpenKey() {
        if (status_ == reg::ERROR_SUCCESS) r_.CloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    bool ok() const { return status_ == reg::ERROR_SUCCESS; }
    reg::HKEY get() const { return key_; }
    // The status of an operation on a key that failed to open: a missing key
    // leaves no handle to work with (6); a store that cannot be used says why.
    std::int32_t failure() const {
        return status_ == reg::ERROR_FILE_NOT_FOUND ? reg::ERROR_INVALID_HANDLE : status_;
    }

private:
    reg::Registry& r_;
    reg::Registry::Transaction scope_;
    reg::HKEY key_ = 0;
    std::int32_t status_;
};

// The type and whole data of one value: read into a buffer that holds any
// usual value, and a second time only for data larger than that.
std::int32_t readValue(reg::Registry& r, reg::HKEY key, const std::string& name,
                       std::uint32_t& type, std::vector<std::uint8_t>& data) {
    std::uint8_t buffer[256];
    std::uint32_t size = sizeof buffer;
    std::int32_t st = r.QueryValueEx(key, name, &type, buffer, &size);
    if (st == reg::ERROR_SUCCESS) {
        data.assign(buffer, buffer + size);
    } else if (st == reg::ERROR_MORE_DATA) {
        data.assign(size, 0);
        st = r.QueryValueEx(key, name, &type, data.data(), &size);
        if (st == reg::ERROR_SUCCESS) data.resize(size);
    }
    return st;
}

// A number value holds four bytes; one written with more by a foreign
// writer does not fit the caller's number.
std::int32_t numberStatus(const std::vector<std::uint8_t>& data) {
    return data.size() > 4 ? reg::ERROR_MORE_DATA : reg::ERROR_SUCCESS;
}

}  // namespace

struct RegistryAccess::RawValue {
    enum Kind { None, Text, Number } kind = None;
    QString text;
    std::int32_t number = 0;
};

std::int32_t RegistryAccess::CreateKey(reg::HKEY root, const QString& keyPath) {
    reg::HKEY key = 0;
    const std::int32_t st = registry_.CreateKeyEx(root, toNative(keyPath), &key);
    if (st == reg::ERROR_SUCCESS) registry_.CloseKey(key);
    return st;
}

std::int32_t RegistryAccess::DeleteKey(reg::HKEY root, const QString& keyPath) {
    return registry_.DeleteKey(root, toNative(keyPath));
}

std::int32_t RegistryAccess::SetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                                      const QVariant& value, std::int32_t type) {
    if (type != kTypeString && type != kTypeNumber) return reg::ERROR_SUCCESS;
    OpenKey key(registry_, root, keyPath, Access::Write);
    if (!key.ok()) return key.failure();
    return setOnKey(key.get(), {name, value, type});
}

std::int32_t RegistryAccess::SetValues(reg::HKEY root, const QString& keyPath,
                                       std::initializer_list<NamedValue> values) {
    if (!registry_.InWriteScope() && storedAlready(root, keyPath, values))
        return reg::ERROR_SUCCESS;
    OpenKey key(registry_, root, keyPath, Access::Write);
    if (!key.ok()) return key.failure();
    std::int32_t first = reg::ERROR_SUCCESS;
    for (const NamedValue& v : values) {
        const std::int32_t st = setOnKey(key.get(), v);
        if (first == reg::ERROR_SUCCESS) first = st;
    }
    return first;
}

// Whether the key holds every value as it would be written. Checked under a
// read lock only, so that writing back what a key already holds (a site
// whose check changed nothing) never waits for or locks out other writers;
// within a write scope the lock is held already, and the check is left out.
bool RegistryAccess::storedAlready(reg::HKEY root, const QString& keyPath,
                                   std::initializer_list<NamedValue> values) {
    OpenKey key(registry_, root, keyPath, Access::Read);
    if (!key.ok()) return false;
    for (const NamedValue& v : values) {
        const std::optional<StoredForm> form = storedForm(v);
        if (!form) return false;
        if (form->type == reg::REG_NONE) continue;  // a type that is never written
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (readValue(registry_, key.get(), toNative(v.Name), type, data) != reg::ERROR_SUCCESS ||
            type != form->type || data.size() != std::size_t(form->bytes.size()) ||
            !std::equal(data.begin(), data.end(), form->bytes.constData(),
                        [](std::uint8_t a, char b) { return a == std::uint8_t(b); }))
            return false;
    }
    return true;
}

// The type and bytes a value is written as: a string as UTF-8 with its NUL,
// a number as four bytes, least significant first; REG_NONE for a type
// that is not written; nothing for a number that does not fit.
std::optional<RegistryAccess::StoredForm> RegistryAccess::storedForm(const NamedValue& v) {
    if (v.Type != kTypeString && v.Type != kTypeNumber) return StoredForm{reg::REG_NONE, {}};
    if (v.Type == kTypeString) {
        QByteArray bytes = v.Data.toString().toUtf8();
        bytes.append('\0');
        return StoredForm{reg::REG_SZ, bytes};
    }
    std::optional<std::int64_t> number;
    if (v.Data.typeId() == QMetaType::QString) {
        number = parseNumber(v.Data.toString());
    } else {
        bool ok = false;
        const qlonglong n = v.Data.toLongLong(&ok);
        if (ok) number = n;
    }
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(*number));
    const char bytes[4] = {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
    return StoredForm{reg::REG_DWORD, QByteArray(bytes, 4)};
}

std::int32_t RegistryAccess::setOnKey(reg::HKEY key, const NamedValue& v) {
    const std::optional<StoredForm> form = storedForm(v);
    if (!form) return kErrorInvalidData;
    if (form->type == reg::REG_NONE) return reg::ERROR_SUCCESS;
    return registry_.SetValueEx(key, toNative(v.Name), form->type,
                                reinterpret_cast<const std::uint8_t*>(form->bytes.constData()),
                                static_cast<std::uint32_t>(form->bytes.size()));
}

std::int32_t RegistryAccess::readRaw(reg::HKEY root, const QString& keyPath, const QString& name,
                                     RawValue& out) {
    OpenKey key(registry_, root, keyPath, Access::Read);
    if (!key.ok()) return key.failure();
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    std::int32_t st = readValue(registry_, key.get(), toNative(name), type, data);
    if (st != reg::ERROR_SUCCESS) return st;
    if (type == reg::REG_SZ) {
        out.kind = RawValue::Text;
        out.text = fromStored(data);
        return st;
    }
    if (type == reg::REG_DWORD) {
        st = numberStatus(data);
        if (st == reg::ERROR_SUCCESS) {
            data.resize(4, 0);
            out.kind = RawValue::Number;
            out.number = fromDword(data.data());
        }
        return st;
    }
    return -1;
}

std::int32_t RegistryAccess::GetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                                      QString& value, std::int32_t* type) {
    RawValue raw;
    const std::int32_t st = readRaw(root, keyPath, name, raw);
    if (raw.kind == RawValue::Text) {
        value = raw.text;
        if (type) *type = kTypeString;
    } else if (raw.kind == RawValue::Number) {
        value = QString::number(raw.number);
        if (type) *type = kTypeNumber;
    } else if (st == -1 && type) {
        *type = 0;
    }
    return st;
}

std::int32_t RegistryAccess::GetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                                      std::int32_t& value, std::int32_t* type) {
    RawValue raw;
    const std::int32_t st = readRaw(root, keyPath, name, raw);
    if (raw.kind == RawValue::Number) {
        value = raw.number;
        if (type) *type = kTypeNumber;
        return st;
    }
    if (raw.kind == RawValue::Text) {
        if (type) *type = kTypeString;
        if (st != reg::ERROR_SUCCESS) {
            value = 0;  // a failed string read yields empty text, which is zero
            return st;
        }
        const auto n = parseNumber(raw.text);
        if (!n) return kErrorInvalidData;
        value = saturate<std::int32_t>(*n);
        return st;
    }
    if (st == -1 && type) *type = 0;
    return st;
}

std::int32_t RegistryAccess::GetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                                      std::int16_t& value, std::int32_t* type) {
    std::int32_t wide = value;
    const std::int32_t st = GetValue(root, keyPath, name, wide, type);
    value = saturate<std::int16_t>(wide);
    return st;
}

std::int32_t RegistryAccess::DeleteValue(reg::HKEY root, const QString& keyPath,
                                         const QString& name) {
    OpenKey key(registry_, root, keyPath, Access::Write);
    if (!key.ok()) return key.failure();
    return registry_.DeleteValue(key.get(), toNative(name));
}

std::int32_t RegistryAccess::EnumKeys(reg::HKEY root, const QString& keyPath, QStringList& names,
                                      std::int32_t maxIndex, std::int32_t nameLength) {
    (void)nameLength;
    if (maxIndex <= 0) maxIndex = 50;
    names.clear();
    OpenKey key(registry_, root, keyPath, Access::Read);
    if (!key.ok()) return reg::ERROR_SUCCESS;
    for (std::int32_t i = 0; i <= maxIndex; ++i) {
        std::string name;
        if (registry_.EnumKey(key.get(), static_cast<std::uint32_t>(i), &name) != reg::ERROR_SUCCESS)
            break;
        QString n = QString::fromUtf8(name);
        qsizetype end = n.size();
        while (end > 0 && n.at(end - 1) == QLatin1Char(' ')) --end;
        names.append(n.left(end));
    }
    return reg::ERROR_SUCCESS;
}

std::int32_t RegistryAccess::EnumValues(reg::HKEY root, const QString& keyPath,
                                        std::vector<RegistryEntry>& entries, std::int32_t maxIndex,
                                        std::int32_t nameLength) {
    (void)nameLength;
    if (maxIndex <= 0) maxIndex = 50;
    entries.clear();
    OpenKey key(registry_, root, keyPath, Access::Read);
    if (!key.ok()) return key.failure();
    for (std::uint32_t i = 0; entries.size() < static_cast<std::size_t>(maxIndex); ++i) {
        std::string name;
        std::uint32_t type = 0;
        std::int32_t st = registry_.EnumValue(key.get(), i, &name, &type);
        if (st == reg::ERROR_NO_MORE_ITEMS) return reg::ERROR_SUCCESS;
        if (st != reg::ERROR_SUCCESS) return st;
        RegistryEntry entry;
        entry.Name = QString::fromUtf8(name);
        if (type == reg::REG_SZ || type == reg::REG_DWORD) {
            std::uint32_t actual = 0;
            std::vector<std::uint8_t> data;
            st = readValue(registry_, key.get(), name, actual, data);
            if (st == reg::ERROR_SUCCESS && type == reg::REG_DWORD) st = numberStatus(data);
            if (st != reg::ERROR_SUCCESS) return st;
            if (type == reg::REG_SZ) {
                entry.Type = kTypeString;
                entry.Data = fromStored(data);
            } else {
                data.resize(4, 0);
                entry.Type = kTypeNumber;
                entry.Data = fromDword(data.data());
            }
        } else {
            entry.Type = -1;
        }
        entries.push_back(std::move(entry));
    }
    return reg::ERROR_SUCCESS;
}

}  // namespace ossivant
