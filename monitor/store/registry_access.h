#pragma once

#include "monitor/platform/registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

namespace ossivant {

// The monitor's own root key under HKEY_LOCAL_MACHINE; every key of the
// settings and the site list is this root followed by "\..." .
inline const QString kOssivantRoot = QStringLiteral("Software\\Pelgrade\\Ossivant");
inline QString OssivantKey(const QString& subPath) { return kOssivantRoot + subPath; }

// Value types as the registry numbers them.
constexpr std::int32_t kTypeString = 1;  // REG_SZ
constexpr std::int32_t kTypeNumber = 4;  // REG_DWORD

// Status of a value that cannot be converted to or from the caller's type.
constexpr std::int32_t kErrorInvalidData = 13;

// One value found by EnumValues. Data holds a QString for a string value,
// an int32 for a number and nothing for any other type (Type -1).
struct RegistryEntry {
    QString Name;
    QVariant Data;
    std::int32_t Type = 0;
};

// The only code of the monitor that talks to the registry. Every operation
// opens the key it needs, does its work and closes it again, as one
// transaction (or as part of the caller's OneTransaction), and returns the
// registry's status code (0 = success); none throws. Key paths are full
// paths below the root hive, with "\" between names. Strings are stored as
// UTF-8 with their terminating NUL counted.
class RegistryAccess {
public:
    explicit RegistryAccess(reg::Registry& registry) : registry_(registry) {}

    // The store itself, for what concerns the file as a whole.
    reg::Registry& registry() { return registry_; }

    // The calls made while the returned scope lives form one transaction:
    // whole or absent after a crash, and one lock of the file instead of one
    // per call. For one operation at a time, never across an event loop.
    [[nodiscard]] reg::Registry::Transaction OneTransaction(
        reg::Registry::Transaction::Access access = reg::Registry::Transaction::Access::Write) {
        return reg::Registry::Transaction(registry_, access);
    }

    // Creates the key, or opens it when it exists.
    std::int32_t CreateKey(reg::HKEY root, const QString& keyPath);
    // Refused (5) while the key has subkeys.
    std::int32_t DeleteKey(reg::HKEY root, const QString& keyPath);

    // Type 1 stores the value as text, type 4 as a 32-bit number; any other
    // type writes nothing and returns 0. Never creates the key: a missing
    // key gives 6. A value that does not convert to a number gives 13.
    // (Wherever a missing key gives 6, a store file that cannot be used
    // gives its own status instead.)
    std::int32_t SetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                          const QVariant& value, std::int32_t type);

    // A value to write with SetValues: its type as for SetValue.
    struct NamedValue {
        QString Name;
        QVariant Data;
        std::int32_t Type = kTypeString;
    };
    // Several SetValue calls on one key, opened once; the first failure's
    // status, or 0. A missing key gives 6 and writes nothing. When the key
    // already holds every value as given, the file is only read.
    std::int32_t SetValues(reg::HKEY root, const QString& keyPath,
                           std::initializer_list<NamedValue> values);

    // Reads a value into the caller's variable, converted to its type. A
    // missing value gives 2 and a missing key 6, both leaving the variable as
    // it was; a value of a type other than string or number gives -1 (type
    // 0). A number too large for an int16 is held at the nearest int16; a
    // text that does not read as a number gives 13 and leaves it unchanged.
    // When `type` is given it receives 1, 4 or 0.
    std::int32_t GetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                          QString& value, std::int32_t* type = nullptr);
    std::int32_t GetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                          std::int32_t& value, std::int32_t* type = nullptr);
    std::int32_t GetValue(reg::HKEY root, const QString& keyPath, const QString& name,
                          std::int16_t& value, std::int32_t* type = nullptr);

    std::int32_t DeleteValue(reg::HKEY root, const QString& keyPath, const QString& name);

    // The names of the subkeys with index 0 up to and including maxIndex
    // (0 means 50), trailing blanks removed, in enumeration order. Names are
    // never cut; nameLength (0 means 256) is kept for callers that size
    // buffers from it. Always returns 0; a missing key lists nothing.
    std::int32_t EnumKeys(reg::HKEY root, const QString& keyPath, QStringList& names,
                          std::int32_t maxIndex = 0, std::int32_t nameLength = 0);

    // At most maxIndex values (0 means 50) in enumeration order; a string's
    // data is cut at its first NUL. Returns 0 when the values ran out or the
    // limit was reached, else the status that stopped it (6: no such key).
    std::int32_t EnumValues(reg::HKEY root, const QString& keyPath,
                            std::vector<RegistryEntry>& entries, std::int32_t maxIndex = 0,
                            std::int32_t nameLength = 0);

private:
    struct RawValue;
    struct StoredForm {
        std::uint32_t type;
        QByteArray bytes;
    };
    static std::optional<StoredForm> storedForm(const NamedValue& value);
    bool storedAlready(reg::HKEY root, const QString& keyPath,
                       std::initializer_list<NamedValue> values);
    std::int32_t setOnKey(reg::HKEY key, const NamedValue& value);
    std::int32_t readRaw(reg::HKEY root, const QString& keyPath, const QString& name,
                         RawValue& out);

    reg::Registry& registry_;
};

}  // namespace ossivant
