#include "measure/ProfileImport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "base/Numbers.h"
#include "base/StrictJson.h"

namespace runwell {

namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxContent = std::size_t{64} << 20;  // profiles are a few megabytes
constexpr std::size_t kMaxDepth = 8;
constexpr std::size_t kMaxTables = 16;
constexpr std::size_t kMaxGroups = 600;  // rows are averaged in this many groups at most
constexpr double kReferenceC = 20.0;
constexpr double kMaxLevel = 1e4;          // A or W: a pulse level a model can hold (1e7 mA)
constexpr double kMaxLevelSeconds = 1e9;   // a pulse longer than 30 years is no pulse
constexpr double kMaxCapacityMah = 1e9;    // the most a model's capacity table holds

std::string Figure(double value) { return SignificantText(value, 4); }

std::optional<double> NumberAt(const Json& object, const char* key) {
    if (!object.is_object() || !object.contains(key) || !object.at(key).is_number()) {
        return std::nullopt;
    }
    const double value = object.at(key).get<double>();
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::string TextAt(const Json& object, const char* key) {
    return object.is_object() && object.contains(key) && object.at(key).is_string()
               ? object.at(key).get<std::string>()
               : std::string();
}

/// One level of a pulsed discharge: its current in mA and how long it lasts.
struct Level {
    double milliamps = 0.0;
    double seconds = 0.0;
};

/// A level of "dischargeprofile": a current in A, or a power in W taken at `volts`.
std::optional<Level> ReadLevel(const Json& profile, const char* key, double volts) {
    if (!profile.is_object() || !profile.contains(key)) {
        return std::nullopt;
    }
    const Json& level = profile.at(key);
    const std::optional<double> value = NumberAt(level, "value");
    const std::optional<double> time = NumberAt(level, "time");
    if (!value || !time || *value < 0.0 || *value > kMaxLevel || *time <= 0.0 ||
        *time > kMaxLevelSeconds) {
        return std::nullopt;
    }
    const std::string mode = TextAt(level, "mode");
    if (mode == "power") {
        return volts > 0.0 ? std::optional(Level{*value / volts * 1e3, *time}) : std::nullopt;
    }
    return mode == "current" ? std::optional(Level{*value * 1e3, *time}) : std::nullopt;
}

/// One discharge table as read: rows of delivered mAh, open-circuit V and resistance in ohm.
struct ReadTable {
    double temperature = kReferenceC;
    std::vector<std::array<double, 3>> rows;
    std::optional<Level> low, high;
    std::optional<double> exitVolts;
    std::string powerNote;
    std::string source;
    double lowestEnd = 0.0;  // per cell
    std::optional<double> statedCutoff;
};

Result<ReadTable> ReadDischargeTable(const Json& table, double defaultTemperature, double volts,
                                     const std::string& where) {
    if (!table.is_object() || !table.contains("table") || !table.at("table").is_array()) {
        return Error{where + "must be an object with a \"table\" list."};
    }
    ReadTable read;
    read.temperature = NumberAt(table, "temperature").value_or(defaultTemperature);
    if (read.temperature < -100.0 || read.temperature > 200.0) {
        return Error{where + "the temperature " + Figure(read.temperature) +
                     " C lies outside -100 to 200 C."};
    }
    if (table.contains("dischargeprofile")) {
        const Json& profile = table.at("dischargeprofile");
        read.low = ReadLevel(profile, "low", volts);
        read.high = ReadLevel(profile, "high", volts);
        if (profile.is_object() && profile.contains("exitConditions")) {
            read.exitVolts = NumberAt(profile.at("exitConditions"), "voltage");
        }
        if (TextAt(profile.is_object() && profile.contains("high") ? profile.at("high") : Json(),
                   "mode") == "power") {
            read.powerNote = " (a constant power, taken at the nominal " + Figure(volts) + " V)";
        }
    }
    const Json& rows = table.at("table");
    double previous = -INFINITY;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::optional<double> capacity = NumberAt(rows[i], "capacity");
        const std::optional<double> voltage = NumberAt(rows[i], "voltage");
        const std::optional<double> resistance = NumberAt(rows[i], "resistance");
        if (!capacity || !voltage || !resistance) {
            return Error{where + "row " + std::to_string(i + 1) +
                         " needs the numbers \"capacity\", \"voltage\" and \"resistance\"."};
        }
        if (*capacity < 0.0 || *capacity > kMaxCapacityMah || *voltage <= 0.0 ||
            *voltage > 100.0 || *resistance < 0.0 || *resistance > 1e6) {
            return Error{where + "row " + std::to_string(i + 1) +
                         " holds a capacity outside 0 to 1e9 mAh, a voltage outside 0 to 100 V "
                         "or a resistance outside 0 to 1e6 ohm."};
        }
        if (*capacity <= previous) {
            continue;  // a repeated reading adds nothing
        }
        previous = *capacity;
        read.rows.push_back({*capacity, *voltage, *resistance});
    }
    if (read.rows.size() < 2 || !(read.rows.back()[0] > 0.0)) {
        return Error{where + "holds fewer than two rows of rising capacity."};
    }
    return read;
}

/// Consecutive rows averaged in at most kMaxGroups groups, with depth = capacity / the last.
std::vector<std::array<double, 3>> Grouped(const std::vector<std::array<double, 3>>& rows) {
    const double total = rows.back()[0];
    const std::size_t groups = std::min(rows.size(), kMaxGroups);
    std::vector<std::array<double, 3>> out;
    out.push_back({0.0, rows.front()[1], rows.front()[2]});
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t begin = rows.size() * g / groups;
        const std::size_t end = rows.size() * (g + 1) / groups;
        std::array<double, 3> sum{};
        for (std::size_t i = begin; i < end; ++i) {
            for (int k = 0; k < 3; ++k) {
                sum[k] += rows[i][k];
            }
        }
        const double n = static_cast<double>(end - begin);
        const double depth = std::min(1.0, sum[0] / n / total);
        if (depth > out.back()[0]) {
            out.push_back({depth, sum[1] / n, sum[2] / n});
        }
    }
    if (out.back()[0] < 1.0) {
        out.push_back({1.0, rows.back()[1], rows.back()[2]});
    }
    return out;
}

TemperatureTables TablesOf(const ReadTable& read, const std::string& source) {
    const std::vector<std::array<double, 3>> grouped = Grouped(read.rows);
    std::vector<std::pair<double, double>> ocv, resistance;
    for (std::size_t i : ChooseTablePoints(grouped, kModelTablePoints)) {
        ocv.emplace_back(grouped[i][0], grouped[i][1]);
        resistance.emplace_back(grouped[i][0], grouped[i][2]);
    }
    TemperatureTables tables;
    tables.temperatureC = read.temperature;
    tables.source = source;
    tables.capacityMah = read.rows.back()[0];
    tables.openCircuitVoltageVsDepth = InterpolationTable(std::move(ocv));
    tables.resistanceVsDepth = InterpolationTable(std::move(resistance));
    return tables;
}

/// The capacity against drain an imported model holds: the profile's own at its average drain
/// (or, when it states no pulses, at the pulse current the user states, an upper bound of its
/// average), and the maker's rating at its drain when the user gives it. A profile that states
/// no pulses and gets no pulse current adds nothing: it may have ended at its pulses' limit, well
/// before a light load would.
InterpolationTable CapacityPoints(const ReadTable& read, double capacity,
                                  const ProfileImportOptions& options) {
    std::vector<std::pair<double, double>> points;
    if (read.low && read.high) {
        points.emplace_back((read.low->milliamps * read.low->seconds +
                             read.high->milliamps * read.high->seconds) /
                                (read.low->seconds + read.high->seconds) /
                                options.cellsInParallel,
                            capacity);
    } else if (options.statedPulseMa > 0.0) {
        points.emplace_back(options.statedPulseMa, capacity);
    }
    return WithRating(std::move(points), options.ratingMah, options.ratingMa);
}

/// The lowest voltage a table's discharge reached under load, per cell: its exit voltage, else
/// the lowest open-circuit voltage less the pulse's drop, else the stated cut-off, else the last
/// open-circuit voltage.
double LowestEndVoltage(const ReadTable& read, const Json& battery) {
    if (read.exitVolts && *read.exitVolts > 0.0) {
        return *read.exitVolts;
    }
    if (read.high) {
        double lowest = INFINITY;
        for (const auto& row : read.rows) {
            lowest = std::min(lowest, row[1] - read.high->milliamps / 1e3 * row[2]);
        }
        return std::max(lowest, 1e-3);
    }
    const std::optional<double> cutoff = NumberAt(battery, "cutoffvoltage");
    return cutoff && *cutoff > 0.0 ? *cutoff : read.rows.back()[1];
}

std::string SourceOf(const ReadTable& read, const Json& battery, const std::string& fileName,
                     const ProfileImportOptions& options) {
    std::string source = "Battery profile " + fileName;
    if (!options.citation.empty()) {
        source += " (" + options.citation + ")";
    }
    const std::string name = TextAt(battery, "manufacturer") + " " + TextAt(battery, "model");
    source += ": " + name + ", " + Figure(read.rows.back()[0]) + " mAh delivered at " +
              Figure(read.temperature) + " C";
    if (read.low && read.high) {
        source += " under pulses of " + Figure(read.high->milliamps) + " mA for " +
                  Figure(read.high->seconds) + " s and " + Figure(read.low->milliamps) +
                  " mA for " + Figure(read.low->seconds) + " s" + read.powerNote;
    }
    if (read.exitVolts) {
        source += ", ended at " + Figure(*read.exitVolts) + " V";
    }
    return source + "; open-circuit voltage and resistance per row of delivered capacity";
}

Result<Json> ParseProfile(std::string_view content) {
    if (content.size() > kMaxContent) {
        return Error{"The file is larger than 64 MiB; a battery profile is a few megabytes."};
    }
    StrictJsonSax<Json> strict(kMaxDepth, "The file nests lists or objects deeper than a "
                                          "battery profile does.");
    if (!Json::sax_parse(content.begin(), content.end(), &strict)) {
        std::string refusal = strict.refusal();
        if (refusal.empty()) {
            return Error{"The file is not valid JSON."};
        }
        refusal[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(refusal[0])));
        return Error{refusal + (refusal.back() == '.' ? "" : ".")};
    }
    try {
        return Json::parse(content.begin(), content.end());
    } catch (const Json::exception&) {
        return Error{"The file is not valid JSON."};
    }
}

/// The discharge tables of one profile file, each with its source, appended to `tables`.
Status ReadProfileTables(const ProfileFile& file, const ProfileImportOptions& options,
                         std::vector<ReadTable>& tables) {
    Result<Json> parsed = ParseProfile(file.content);
    if (!parsed) {
        return parsed.error();
    }
    const Json& root = *parsed;
    if (!root.is_object() || !root.contains("battery") || !root.at("battery").is_object() ||
        !root.contains("dischargetables") || !root.at("dischargetables").is_array() ||
        root.at("dischargetables").empty()) {
        return Error{"This is not a battery profile: it needs a \"battery\" object and a list "
                     "of \"dischargetables\"."};
    }
    const Json& battery = root.at("battery");
    const Json& list = root.at("dischargetables");
    if (list.size() + tables.size() > kMaxTables) {
        return Error{"The profiles hold more than " + std::to_string(kMaxTables) +
                     " discharge tables."};
    }
    const std::optional<double> cutoff = NumberAt(battery, "cutoffvoltage");
    if (cutoff && (*cutoff < 0.0 || *cutoff > 100.0 / options.cellsInSeries)) {
        return Error{"The battery's \"cutoffvoltage\" " + Figure(*cutoff) +
                     " V lies outside 0 to 100 V for the pack."};
    }
    const double volts = NumberAt(battery, "voltage").value_or(0.0);
    const double defaultTemperature = NumberAt(battery, "worktemperature").value_or(kReferenceC);
    for (std::size_t i = 0; i < list.size(); ++i) {
        Result<ReadTable> read = ReadDischargeTable(
            list[i], defaultTemperature, volts, "Discharge table " + std::to_string(i + 1) + ": ");
        if (!read) {
            return read.error();
        }
        for (const ReadTable& other : tables) {
            if (other.temperature == read->temperature) {
                return Error{"Two discharge tables are measured at " +
                             Figure(read->temperature) + " C; a model holds one per temperature."};
            }
        }
        read->source = SourceOf(*read, battery, file.name, options);
        read->lowestEnd = LowestEndVoltage(*read, battery);
        read->statedCutoff = cutoff;
        tables.push_back(std::move(*read));
    }
    return {};
}

}  // namespace

Result<BatteryModel> ImportBatteryProfile(std::string_view content,
                                          const ProfileImportOptions& options) {
    return ImportBatteryProfiles({{options.fileName, content}}, options);
}

Result<BatteryModel> ImportBatteryProfiles(const std::vector<ProfileFile>& files,
                                           const ProfileImportOptions& options) {
    std::vector<ReadTable> tables;
    for (const ProfileFile& file : files) {
        if (Status read = ReadProfileTables(file, options, tables); !read) {
            return Error{(files.size() > 1 ? file.name + ": " : std::string()) +
                         read.error().message};
        }
    }
    std::sort(tables.begin(), tables.end(),
              [](const ReadTable& a, const ReadTable& b) { return a.temperature < b.temperature; });
    const auto reference = std::min_element(
        tables.begin(), tables.end(), [](const ReadTable& a, const ReadTable& b) {
            return std::fabs(a.temperature - kReferenceC) < std::fabs(b.temperature - kReferenceC);
        });

    BatteryModel model;
    model.version = 2;
    model.battery = options.battery;
    model.cellsInSeries = options.cellsInSeries;
    model.cellsInParallel = options.cellsInParallel;
    MeasuredRange& range = model.range;
    std::optional<double> statedCutoff;
    // The model's first source cites its reference tables, so the reference's table comes first
    // and the others follow in order of temperature.
    model.sources = reference->source;
    for (const ReadTable& read : tables) {
        const std::string& source = read.source;
        statedCutoff = statedCutoff ? statedCutoff : read.statedCutoff;
        TemperatureTables converted = TablesOf(read, source);
        if (&read == &*reference) {
            model.referenceTemperatureC = read.temperature;
            model.openCircuitVoltageVsDepth = converted.openCircuitVoltageVsDepth;
            model.resistanceVsDepth = converted.resistanceVsDepth;
            // The capacity a profile delivered holds at its own average drain. A profile that
            // does not state its pulses may have ended at their limit, well before a light load
            // would: the catalogue's rating stands then.
            model.capacityVsCurrent = CapacityPoints(read, *converted.capacityMah, options);
        } else {
            model.sources += "\n" + source;
            model.temperatures.push_back(std::move(converted));
        }
        if (read.low && read.high) {
            range.lowestCurrentMa = std::min(range.lowestCurrentMa.value_or(INFINITY),
                                             std::min(read.low->milliamps, read.high->milliamps));
            range.highestCurrentMa = std::max(range.highestCurrentMa.value_or(0.0),
                                              std::max(read.low->milliamps, read.high->milliamps));
            range.longestPulseSeconds =
                std::max(range.longestPulseSeconds.value_or(0.0), read.high->seconds);
        }
        range.lowestEndVoltage = std::min(range.lowestEndVoltage.value_or(INFINITY),
                                          read.lowestEnd * options.cellsInSeries);
    }
    if (!range.highestCurrentMa && options.statedPulseMa > 0.0) {
        range.lowestCurrentMa = 0.0;
        range.highestCurrentMa = options.statedPulseMa;
        range.source = "pulses of " + Figure(options.statedPulseMa) +
                       " mA, as the profile's name states; ";
    }
    range.lowestTemperatureC = tables.front().temperature;
    range.highestTemperatureC = tables.back().temperature;
    range.source += "the profile's pulses, temperatures and end voltages";
    model.cutoffVoltage = statedCutoff && *statedCutoff > 0.0
                              ? *statedCutoff * options.cellsInSeries
                              : *range.lowestEndVoltage;
    model.comment = "Imported from a measured battery profile. The resistance is the profile's, "
                    "seen over its pulses; a profile holds no time constant, so it is not split "
                    "into a resistance seen at once and a polarisation." +
                    RatingComment(model.capacityVsCurrent, options.ratingMah, options.ratingMa);
    // A profile whose figures pass each check above but not the model's own limits is refused
    // here, not written.
    return Readable(std::move(model),
                    "The profile's figures do not make a model this program can read: ");
}

}  // namespace runwell
