#include "battery/BatteryCatalogue.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>

#include "base/Messages.h"
#include "base/Numbers.h"
#include "base/Text.h"
#include "estimate/Format.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {
namespace {

/// Walks the fields of one battery line. A field starts after every separator at the position
/// and runs to the next separator or the end of the line, so empty fields do not exist. Once the
/// line is used up every further field is empty: a short line never reads past its end.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view line) : line_(line) {}

    std::string_view Next(std::string_view separators) {
        const std::size_t start = line_.find_first_not_of(separators, pos_);
        if (start == std::string_view::npos) {
            pos_ = line_.size();
            return {};
        }
        const std::size_t end = line_.find_first_of(separators, start);
        if (end == std::string_view::npos) {
            pos_ = line_.size();
            return line_.substr(start);
        }
        pos_ = end + 1;  // just past the separator that ended the field
        return line_.substr(start, end - start);
    }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

/// A current field written in mA, as nA: rounded to single precision before and after scaling.
float ReadMilliamps(std::string_view field) {
    const float milliamps = NarrowToFloat(ReadReal(field));
    return NarrowToFloat(static_cast<double>(milliamps) * 1000000.0);
}

/// The constant current in nA that drains `percent` of `capacityMah` in a month of 720 hours,
/// rounded to single precision after each of its three steps.
float SelfDischargeCurrent(std::uint32_t capacityMah, float percent) {
    const float lostMah =
        NarrowToFloat(static_cast<double>(capacityMah) * static_cast<double>(percent) / 100.0);
    const float milliamps = NarrowToFloat(static_cast<double>(lostMah) / 720.0);
    return NarrowToFloat(static_cast<double>(milliamps) * 1000000.0);
}

/// One data line; the description is empty when the line ends the list.
BatteryRecord ParseBatteryLine(std::string_view line) {
    FieldCursor fields(line);
    BatteryRecord battery;
    battery.description = std::string(fields.Next(","));
    if (battery.description.empty()) {
        return battery;
    }
    // A negative capacity wraps to its unsigned value, as the unsigned field stores it.
    battery.capacityMah = static_cast<std::uint32_t>(ReadInteger(fields.Next(",")));
    battery.selfDischargePercent = NarrowToFloat(ReadReal(fields.Next(",")));
    battery.nominalVoltage = std::string(fields.Next(","));
    battery.maxContinuousCurrent = ReadMilliamps(fields.Next(","));
    battery.maxPulseCurrent = ReadMilliamps(fields.Next(","));
    // Any quote in the line makes the note run from quote to quote, so it may hold commas.
    const bool quoted = line.find('"') != std::string_view::npos;
    battery.notes = std::string(fields.Next(quoted ? "\"" : ","));
    battery.selfDischargeCurrent =
        SelfDischargeCurrent(battery.capacityMah, battery.selfDischargePercent);
    return battery;
}

bool EntryExists(const std::filesystem::path& path) {
    std::error_code ec;
    // symlink_status: a dangling link is an entry too, and must not be written through.
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

/// Creates `folder` and the missing folders above it with owner-only permissions, as the XDG
/// base directory rules ask for the user's data folder. Folders that exist are left as they are.
void CreateUserFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.empty() || std::filesystem::is_directory(folder, ec)) {
        return;
    }
    if (folder.has_parent_path() && folder.parent_path() != folder) {
        CreateUserFolder(folder.parent_path());
    }
    if (std::filesystem::create_directory(folder, ec)) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
    }
}

}  // namespace

BatteryRecord IdealBattery() {
    BatteryRecord battery;
    battery.description = "Ideal";
    battery.capacityMah = 1000;
    battery.notes = "*";
    return battery;
}

std::vector<BatteryRecord> ParseBatteryRecords(std::string_view content) {
    std::vector<BatteryRecord> records;
    LineReader lines(content);
    std::string_view line;
    if (!lines.Next(line)) {
        return records;  // not even a header
    }
    while (lines.Next(line)) {
        BatteryRecord battery = ParseBatteryLine(line);
        if (battery.description.empty()) {
            break;
        }
        records.push_back(std::move(battery));
    }
    return records;
}

std::optional<std::string> LoadBatteryFile(const std::filesystem::path& path,
                                           std::vector<BatteryRecord>& catalogue) {
    // A file that cannot be read whole (missing, too large, or more than the memory there is)
    // is replaced by "Ideal", with the message that says why.
    Result<std::string> content = ReadFileContent(path, msg::kCannotOpenBatteryFile);
    if (content) {
        try {
            std::vector<BatteryRecord> records = ParseBatteryRecords(*content);
            catalogue.insert(catalogue.end(), std::make_move_iterator(records.begin()),
                             std::make_move_iterator(records.end()));
            return std::nullopt;
        } catch (const std::bad_alloc&) {
            content = Error{OutOfMemoryMessage(path)};
        }
    }
    catalogue.push_back(IdealBattery());
    return content.error().message;
}

std::string_view CustomBatteryHeader() {
    return "Description,\"Capacity, mAh\",\"Self discharge, %/month\",Nominal V,"
           "\"Maximum cont. current, mA\",\"Maximum pulse. current, mA\",Notes\r\n";
}

EnsureOutcome EnsureCustomBatteryFile(const std::filesystem::path& path, bool createFolder) {
    if (EntryExists(path)) {
        return {true, std::nullopt};
    }
    if (createFolder && !path.empty()) {
        CreateUserFolder(path.parent_path());  // a failure shows as the file's failure below
    }
    // "x": never truncate a file that appeared since the check above.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(CreateNewFile(path),
                                                         &std::fclose);
    if (!file) {
        if (EntryExists(path)) {
            return {true, std::nullopt};
        }
        return {false, std::string(msg::kCannotOpenForWriting)};
    }
    const std::string_view header = CustomBatteryHeader();
    const bool written = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        // A header cut short would be read as a file next time; leave no file instead, so the
        // next start tries again.
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return {false, std::string(msg::kCannotOpenForWriting)};
    }
    return {false, std::nullopt};
}

BatteryCatalogue LoadBatteryCatalogue(const DataLocation& location) {
    BatteryCatalogue catalogue;
    if (auto message =
            LoadBatteryFile(location.folder / "StandardBattery.csv", catalogue.records)) {
        catalogue.messages.push_back(std::move(*message));
    }
    const std::filesystem::path& custom = location.customBatteries;
    EnsureOutcome outcome = EnsureCustomBatteryFile(custom, location.createCustomFolder);
    catalogue.customFileNotCreated = std::move(outcome.message);
    // A file created just now holds only its header: there is nothing to read.
    if (outcome.existed) {
        if (auto message = LoadBatteryFile(custom, catalogue.records)) {
            catalogue.messages.push_back(std::move(*message));
        }
    }
    return catalogue;
}

BatteryCatalogue LoadBatteryCatalogue(const std::filesystem::path& folder) {
    return LoadBatteryCatalogue(PortableDataLocation(folder));
}

std::array<std::string, 7> BatteryCells(const BatteryRecord& battery) {
    const auto limit = [](float nanoamps) {
        return nanoamps == 0.0f ? std::string("*") : FormatCurrent(nanoamps);
    };
    return {
        battery.description,
        // Shown as a signed number: a capacity written as -1 shows as -1 mAh.
        std::to_string(static_cast<std::int32_t>(battery.capacityMah)) + " mAh",
        FormatTrimmed(battery.selfDischargePercent, 2) + " %/mo(" +
            FormatCurrent(battery.selfDischargeCurrent) + ")",
        battery.nominalVoltage,
        limit(battery.maxContinuousCurrent),
        limit(battery.maxPulseCurrent),
        battery.notes,
    };
}

}  // namespace runwell
