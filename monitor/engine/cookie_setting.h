#pragma once

#include <QString>
#include <cstdint>

#include "monitor/store/registry_access.h"

namespace ossivant {

// The platform's cookie setting: the number "AllowCookies" of
// HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\Internet
// Settings", which the transfer control obeys (1 accept, 2 refuse).
inline const QString kInternetSettingsKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
inline const QString kAllowCookies = QStringLiteral("AllowCookies");

// The value as the transfer control reads it at each request; 0 when it
// cannot be read (the control then keeps cookies for the run).
int ReadCookiePolicy(RegistryAccess& registry);

// Switches the cookie setting to the program's own choice for the length of
// a check cycle and puts back what it found. When the value did not exist
// at the start it is removed again at the end, rather than written as a
// number the operator never chose. A value that could not be read at all
// is written back as the last value a cycle did read (0 before any).
class CookieSwitch {
public:
    explicit CookieSwitch(RegistryAccess& registry) : registry_(registry) {}

    // Remembers the current value and writes `allowType`.
    void SwitchTo(std::int32_t allowType);
    // Puts the remembered value back.
    void Restore();

    // The number read by the last successful read (SavedCookieSetting).
    std::int32_t SavedCookieSetting() const { return saved_; }

private:
    enum class Found { Number, Text, Missing, Unreadable };

    RegistryAccess& registry_;
    std::int32_t saved_ = 0;
    QString savedText_;
    Found found_ = Found::Unreadable;
};

}  // namespace ossivant
