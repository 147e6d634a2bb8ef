#pragma once

#include <filesystem>
#include <string>

#include "Command.h"

namespace runwell::cli {

/// Writes `bytes` to `target`, or to standard output when it is "-"; a failure is printed
/// naming the file. Returns the exit status.
int WriteOutput(const Context& context, const std::filesystem::path& target,
                const std::string& bytes);

}  // namespace runwell::cli
