#pragma once

#include <filesystem>
#include <string>

namespace runwell {

/// Where one run finds its data and keeps the user's own batteries.
struct DataLocation {
    /// Holds Data/ and StandardBattery.csv.
    std::filesystem::path folder;
    /// The path of CustomBattery.csv; empty when there is nowhere to keep it.
    std::filesystem::path customBatteries;
    /// True in the installed layout: the folder of CustomBattery.csv is the user's, created
    /// (for the user alone) when missing. The portable layout never creates folders.
    bool createCustomFolder = false;
};

/// The portable layout, everything in `folder`: how the build tree and an unpacked copy run,
/// and what `runwell-cli --data DIR` names.
DataLocation PortableDataLocation(const std::filesystem::path& folder);

/// The user's data folder by the XDG base directory rules: `xdgDataHome` when it is an absolute
/// path, else `home`/.local/share when `home` is absolute; empty when neither is. Either
/// argument may be null (the variable is not set).
std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home);

/// The layout of a program whose executable lies in `executableFolder`: portable when that
/// folder holds Data/; else installed, the shipped data in ../share/runwell beside it and
/// CustomBattery.csv in `userDataFolder`/runwell (nowhere when `userDataFolder` is empty).
DataLocation FindDataLocation(const std::filesystem::path& executableFolder,
                              const std::filesystem::path& userDataFolder);

/// The folder `kind` ("Regulators") beside CustomBattery.csv, where the user keeps files of
/// their own of a kind the data folder ships; empty when there is nowhere to keep them or when it
/// is the shipped `location.folder`/`kind` itself, as in the portable layout.
std::filesystem::path UserFolderBeside(const DataLocation& location, const std::string& kind);

/// FindDataLocation for the running program and the environment it was started with.
DataLocation LocateData();

}  // namespace runwell
