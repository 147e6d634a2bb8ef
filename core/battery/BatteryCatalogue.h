#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "estimate/BatteryRecord.h"
#include "platform/DataLocation.h"

namespace runwell {

/// The battery that stands in for a catalogue file that cannot be opened: 1000 mAh, no
/// self-discharge, no current limits, notes "*".
BatteryRecord IdealBattery();

/// The records of a battery file's content: line 1 is a header, and the list ends at the first
/// line whose first field is empty. Missing trailing fields read as empty (0 for numbers); a short
/// line never reads into the next one.
std::vector<BatteryRecord> ParseBatteryRecords(std::string_view content);

/// Appends the records of the file at `path` to `catalogue`, or "Ideal" when it cannot be opened;
/// then returns "Cannot open battery data file." for the caller to show.
std::optional<std::string> LoadBatteryFile(const std::filesystem::path& path,
                                           std::vector<BatteryRecord>& catalogue);

/// The header line a new custom battery file holds, CR LF included.
std::string_view CustomBatteryHeader();

struct EnsureOutcome {
    bool existed = false;                // true: the file is there to be read
    std::optional<std::string> message;  // "Cannot open file for writing." when creation failed
};

/// Creates the custom battery file with its header when nothing exists at `path`. Any entry there
/// (a file, a folder, even a dangling link) counts as existing and is never overwritten. With
/// `createFolder` the missing folders above `path` are created first, for the user alone.
EnsureOutcome EnsureCustomBatteryFile(const std::filesystem::path& path,
                                      bool createFolder = false);

struct BatteryCatalogue {
    std::vector<BatteryRecord> records;
    std::vector<std::string> messages;  // to show, in order, before start-up goes on
    /// "Cannot open file for writing." when CustomBattery.csv was missing and could not be
    /// created; the catalogue goes on without it. Shown after `messages`.
    std::optional<std::string> customFileNotCreated;
};

/// The start-up order: StandardBattery.csv in `location.folder`, then CustomBattery.csv
/// (created when missing, and then not read) where `location` keeps it.
BatteryCatalogue LoadBatteryCatalogue(const DataLocation& location);
/// The portable layout: both files in `folder`.
BatteryCatalogue LoadBatteryCatalogue(const std::filesystem::path& folder);

/// The seven cells of a battery's row: description, capacity, self-discharge, nominal voltage,
/// maximum continuous and pulse current, notes.
std::array<std::string, 7> BatteryCells(const BatteryRecord& battery);

}  // namespace runwell
