#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/DataLocation.h"
#include "power/Regulator.h"

namespace runwell {

/// The regulators one run offers, in the order they are shown.
struct RegulatorSet {
    std::vector<Regulator> regulators;
    std::vector<std::string> messages;  // one per file that could not be used, in name order
};

/// The regulator of one file (ParseRegulator), or the message (without the file's name) why it
/// cannot be used: not a regular file, over 1 MiB, unreadable or malformed.
Result<Regulator> ReadRegulatorFile(const std::filesystem::path& file);

/// Reads every "*.json" in `folder` in name order. A file that cannot be read, is larger than
/// 1 MiB or is malformed is skipped with a message naming it; so is a second file of a name
/// already read. A missing folder holds no regulators. Messages name a file as
/// `shownFolder`/NAME.
RegulatorSet LoadRegulators(const std::filesystem::path& folder,
                            const std::string& shownFolder = "Regulators");

/// The regulators of one run: the shipped ones in `location.folder`/Regulators, then the user's
/// in the Regulators folder beside CustomBattery.csv when that is another folder. A user's
/// regulator replaces the shipped one of the same name in its place, so a user can correct a
/// shipped file with figures of their own; the others follow the shipped ones. The messages name
/// the shipped folder's files first (as "Regulators/NAME"), then the user's by their whole path.
RegulatorSet LoadRegulators(const DataLocation& location);

}  // namespace runwell
