#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace runwell::cli {

/// Parses the arguments (options before or after the command), runs the command and returns
/// the exit status. `--help`, `--version` and `help [COMMAND]` print to `out`.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace runwell::cli
