#pragma once

#include <string>

namespace handoff {

// The spool folder that the entry uses: $VB_QUORVANE3_SPOOL when set and not
// empty, else $XDG_STATE_HOME/ossivant/spool, else ~/.local/state/ossivant/spool
// (home from $HOME, else from the password database). Empty when no home
// folder can be found.
std::string DefaultSpoolDir();

// Makes `dir` a private folder of this user: creates it and any missing
// parent folders with mode 0700, and narrows an existing folder to 0700.
// Fails when the path names something other than a folder (also a link to
// one) or a folder that belongs to another user.
bool MakePrivateDir(const std::string& dir);

}  // namespace handoff
