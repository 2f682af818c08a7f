#pragma once

#include <cstdio>
#include <string>

namespace quorvane3::sys {

// Creates a new, uniquely named, empty file "<prefix>XXXXXX" (mode 0600) in
// the temporary folder ($TMPDIR, default /tmp) and opens it for writing in
// binary mode. Null when it cannot be created; `path` names the file.
std::FILE* CreateTempFile(const std::string& prefix, std::string* path);

}  // namespace quorvane3::sys
