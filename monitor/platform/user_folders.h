#pragma once

#include <QString>

namespace ossivant {

// The per-user folders of the monitor, by the XDG base directory rules: a
// variable that holds an absolute path wins, otherwise the folder below the
// home folder. Neither is created here.

// Configuration the operator may edit: $XDG_CONFIG_HOME/ossivant, else
// ~/.config/ossivant (the registry file and the operator's own Messages).
QString UserConfigFolder();

// State the programs write: $XDG_STATE_HOME/ossivant, else
// ~/.local/state/ossivant (the check logs and the mail spool).
QString UserStateFolder();

// The desktop's per-user autostart folder: $XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart.
QString UserAutostartFolder();

}  // namespace ossivant
