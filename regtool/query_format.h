#pragma once

#include <string>
#include <vector>

#include "regtool/reg_tree.h"

namespace ossivant::regtool {

// The name a type is shown under ("REG_SZ", "REG_DWORD", ..., or the number
// in hex for a type without a name).
std::string typeName(std::uint32_t type);

// One value line of query output: four blanks, the name ("(Default)" for
// the unnamed value), the type and the data, separated by four blanks.
// Strings show up to their first NUL, DWORDs in 0x-hex, other data as hex
// digits.
std::string queryLine(const Value& value);

}  // namespace ossivant::regtool
