#include "platform/DataLocation.h"

#include "platform/Platform.h"

#include <cstdlib>
#include <system_error>

#include "platform/BuildInfo.h"

namespace runwell {
namespace {

std::filesystem::path AbsoluteOrEmpty(const char* value) {
    if (value == nullptr) {
        return {};
    }
    std::filesystem::path path(value);
    // The XDG rules ignore a relative value: it would name a different folder in every
    // working folder.
    return path.is_absolute() ? path : std::filesystem::path{};
}

}  // namespace

DataLocation PortableDataLocation(const std::filesystem::path& folder) {
    return {folder, folder / "CustomBattery.csv", false};
}

std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home) {
    std::filesystem::path folder = AbsoluteOrEmpty(xdgDataHome);
    if (!folder.empty()) {
        return folder;
    }
    folder = AbsoluteOrEmpty(home);
    return folder.empty() ? folder : folder / ".local" / "share";
}

std::filesystem::path UserFolderBeside(const DataLocation& location, const std::string& kind) {
    if (location.customBatteries.empty()) {
        return {};
    }
    const std::filesystem::path shipped = location.folder / kind;
    std::filesystem::path user = location.customBatteries.parent_path() / kind;
    std::error_code error;
    if (user.lexically_normal() == shipped.lexically_normal() ||
        std::filesystem::equivalent(user, shipped, error)) {
        return {};
    }
    return user;
}

DataLocation FindDataLocation(const std::filesystem::path& executableFolder,
                              const std::filesystem::path& userDataFolder) {
    std::error_code ec;
    if (std::filesystem::is_directory(executableFolder / "Data", ec)) {
        return PortableDataLocation(executableFolder);
    }
    DataLocation installed;
    installed.folder = (executableFolder / kInstalledDataFolder).lexically_normal();
    if (!userDataFolder.empty()) {
        installed.customBatteries = userDataFolder / kUserDataSubfolder / "CustomBattery.csv";
    }
    installed.createCustomFolder = true;
    return installed;
}

DataLocation LocateData() {
    return FindDataLocation(ExecutableFolder(),
                            UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
}

}  // namespace runwell
