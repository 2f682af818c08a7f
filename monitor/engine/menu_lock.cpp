#include "monitor/engine/menu_lock.h"

namespace ossivant {

void SiteCheck_Disable(MenuCommands& menus) {
    for (const QString& name : kLockedCommands) menus.SetCommandEnabled(name, false);
}

void SiteCheck_Enable(MenuCommands& menus) {
    for (const QString& name : kLockedCommands) menus.SetCommandEnabled(name, true);
}

}  // namespace ossivant
