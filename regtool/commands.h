#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ossivant::regtool {

// The operator's registry tool: query, add, delete, export and import on
// the registry file at `registryPath`. `args` are the words after the
// program name. Output goes to `out`, prompts are answered from `in`, and a
// failure is one line on `err`. Returns the exit status: 0 on success, 1
// for a failed command, 2 with the usage on `err` for an unknown option.
// The registry file is not opened for a command line that is not
// understood.
int runRegTool(const std::vector<std::string>& args, const std::string& registryPath, std::ostream& out,
               std::ostream& err, std::istream& in);

}  // namespace ossivant::regtool
