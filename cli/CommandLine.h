#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace runwell::cli {

/// Parses the arguments (options before or after the command), runs the command and returns
/// the exit status. `--help`, `--version` and `help [COMMAND]` print to `out`.
/// `arguments` are the words after the program's name, as UTF-8.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err);

}  // namespace runwell::cli
