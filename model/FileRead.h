#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace runwell {

/// The whole content of a file as bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace runwell
