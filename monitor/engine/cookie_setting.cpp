#include "monitor/engine/cookie_setting.h"

namespace ossivant {

namespace {
constexpr reg::HKEY kHive = reg::HKEY_CURRENT_USER;
}

int ReadCookiePolicy(RegistryAccess& registry) {
    std::int32_t value = 0;
    if (registry.GetValue(kHive, kInternetSettingsKey, kAllowCookies, value) != 0) return 0;
    return value;
}

void CookieSwitch::SwitchTo(std::int32_t allowType) {
    const auto scope = registry_.OneTransaction();
    std::int32_t value = 0;
    const std::int32_t status =
        registry_.GetValue(kHive, kInternetSettingsKey, kAllowCookies, value);
    if (status == reg::ERROR_SUCCESS) {
        saved_ = value;
        found_ = Found::Number;
    } else if (status == reg::ERROR_FILE_NOT_FOUND || status == reg::ERROR_INVALID_HANDLE) {
        found_ = Found::Missing;  // no such value, or no such key
    } else if (status == kErrorInvalidData &&
               registry_.GetValue(kHive, kInternetSettingsKey, kAllowCookies, savedText_) == 0) {
        found_ = Found::Text;
    } else {
        found_ = Found::Unreadable;
    }

    // The key always exists where this setting comes from; here a fresh
    // registry may lack it, and the value cannot be written without it.
    registry_.CreateKey(kHive, kInternetSettingsKey);
    registry_.SetValue(kHive, kInternetSettingsKey, kAllowCookies, allowType, kTypeNumber);
}

void CookieSwitch::Restore() {
    const auto scope = registry_.OneTransaction();
    switch (found_) {
        case Found::Missing:
            registry_.DeleteValue(kHive, kInternetSettingsKey, kAllowCookies);
            break;
        case Found::Text:
            registry_.SetValue(kHive, kInternetSettingsKey, kAllowCookies, savedText_, kTypeString);
            break;
        case Found::Number:
        case Found::Unreadable:
            registry_.SetValue(kHive, kInternetSettingsKey, kAllowCookies, saved_, kTypeNumber);
            break;
    }
}

}  // namespace ossivant
