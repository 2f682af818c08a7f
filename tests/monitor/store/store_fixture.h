#pragma once

#include "monitor/platform/message_box.h"
#include "monitor/platform/registry.h"
#include "monitor/store/registry_access.h"
#include "tests/support/temp_registry.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <optional>

namespace ossivant::test {

// Records every message and answers OK.
class RecordingMessageBox final : public MessageBox {
public:
    MsgAnswer show(const QString& text, MsgButtons buttons, MsgIcon) override {
        texts << text;
        this->buttons.push_back(buttons);
        return MsgAnswer::Ok;
    }
    QStringList texts;
    std::vector<MsgButtons> buttons;
};

// A test over its own empty registry file, with short ways to look at the
// monitor's keys ("\Settings\Log" and the like, below its root key).
class StoreTest : public ::testing::Test {
protected:
    static constexpr reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;

    TempRegistry temp;
    reg::Registry registry{temp.path()};
    RegistryAccess access{registry};

    bool hasKey(const QString& sub) {
        reg::HKEY key = 0;
        if (registry.OpenKeyEx(kHive, OssivantKey(sub).toStdString(), &key) != 0) return false;
        registry.CloseKey(key);
        return true;
    }
    std::optional<QString> text(const QString& sub, const QString& name) {
        QString v;
        std::int32_t type = 0;
        if (access.GetValue(kHive, OssivantKey(sub), name, v, &type) != 0 || type != kTypeString)
            return std::nullopt;
        return v;
    }
    std::optional<std::int32_t> number(const QString& sub, const QString& name) {
        std::int32_t v = 0;
        std::int32_t type = 0;
        if (access.GetValue(kHive, OssivantKey(sub), name, v, &type) != 0 || type != kTypeNumber)
            return std::nullopt;
        return v;
    }
    void put(const QString& sub, const QString& name, const QVariant& value) {
        access.CreateKey(kHive, OssivantKey(sub));
        const std::int32_t type = value.typeId() == QMetaType::QString ? kTypeString : kTypeNumber;
        ASSERT_EQ(access.SetValue(kHive, OssivantKey(sub), name, value, type), 0);
    }
    // Stores raw bytes of any type, as another tool might.
    void putRaw(const QString& sub, const QString& name, std::uint32_t type, const std::string& bytes) {
        reg::HKEY key = 0;
        ASSERT_EQ(registry.CreateKeyEx(kHive, OssivantKey(sub).toStdString(), &key), 0);
        ASSERT_EQ(registry.SetValueEx(key, name.toStdString(), type,
                                      reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      static_cast<std::uint32_t>(bytes.size())),
                  0);
        registry.CloseKey(key);
    }
    QStringList valueNames(const QString& sub) {
        std::vector<RegistryEntry> entries;
        access.EnumValues(kHive, OssivantKey(sub), entries, 100);
        QStringList names;
        for (const auto& e : entries) names << e.Name;
        return names;
    }
};

}  // namespace ossivant::test
