#pragma once

#include <QString>
#include <array>

#include "monitor/engine/screen.h"

namespace ossivant {

// The 18 menu commands a check cycle locks, in the order in which they are
// disabled and enabled again.
inline const std::array<QString, 18> kLockedCommands{
    QStringLiteral("mF_NewAddress"),   QStringLiteral("mF_Import"),
    QStringLiteral("mF_Export"),       QStringLiteral("mF_StartCheck"),
    QStringLiteral("mF_Exit"),         QStringLiteral("mE_EditAddress"),
    QStringLiteral("mE_DelAddress"),   QStringLiteral("mE_Options"),
    QStringLiteral("mV_All"),          QStringLiteral("mV_Both"),
    QStringLiteral("mV_Disabled"),     QStringLiteral("mV_Enabled"),
    QStringLiteral("mV_Successful"),   QStringLiteral("mV_Unsuccessful"),
    QStringLiteral("mV_Warning"),      QStringLiteral("mnuLog_Open"),
    QStringLiteral("mnuLogs_ViewCur"), QStringLiteral("mH_About"),
};

// Make all 18 unavailable, or all available again, whatever they were before.
void SiteCheck_Disable(MenuCommands& menus);
void SiteCheck_Enable(MenuCommands& menus);

}  // namespace ossivant
