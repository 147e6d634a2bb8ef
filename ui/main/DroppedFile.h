#pragma once

#include <filesystem>
#include <optional>

class QMimeData;

namespace runwell::ui {

/// The settings file a drag carries: exactly one local file whose name ends in ".set" (in any
/// letter case); nothing for anything else.
std::optional<std::filesystem::path> DroppedSettingsFile(const QMimeData* data);

}  // namespace runwell::ui
