#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/LabelPool.h"

namespace runwell {

/// The most value columns, operating modes, voltages and temperatures one device may have, and
/// the number of currents a data line holds.
inline constexpr std::size_t kMaxEntries = 40;

/// The currents of one data line in nA. values[0] is the controller's base current, values[k]
/// the extra current of value column k; 0 where the line gives none.
using RowValues = std::array<std::int32_t, kMaxEntries>;

/// One data line of a device data file as a value: an operating point and its currents.
struct DataRecord {
    std::string modeName;
    std::string voltageName;
    std::string temperatureName;
    std::string frequencyName;
    RowValues values{};
};

/// One stored row as read back: the labels are views into the rows' own tables, valid while the
/// rows are neither changed nor destroyed.
struct DataRow {
    std::string_view modeName;
    std::string_view voltageName;
    std::string_view temperatureName;
    std::string_view frequencyName;
    RowValues values{};
};

/// The rows of a device, held compactly: each label once per distinct text, and of each row
/// only the currents that are not 0. A row costs 16 bytes and 4 per such current, whatever its
/// labels; reading a row back gives exactly the labels and the 40 currents it was given.
class DeviceRows {
public:
    /// Which label of a row brought one distinct text more than Append allows.
    enum class Overflow { kNone, kMode, kVoltage, kTemperature };

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    /// Row `i`, which must exist.
    DataRow operator[](std::size_t i) const;
    /// Row `i`; std::out_of_range when there is none.
    DataRow at(std::size_t i) const;
    /// The current of value column `k` (below kMaxEntries) of row `i`.
    std::int32_t Value(std::size_t i, std::size_t k) const;

    /// Appends a row. Nothing is appended, and the kind is returned, when its mode, voltage or
    /// temperature would be distinct text number `maxDistinct + 1` of its kind (at most 256).
    /// Only values[0] to values[given - 1] are read; the rest count as 0.
    Overflow Append(std::string_view mode, std::string_view voltage,
                    std::string_view temperature, std::string_view frequency,
                    const RowValues& values, std::size_t given = kMaxEntries,
                    std::size_t maxDistinct = kMaxEntries);
    /// Appends a record built by hand (up to 256 distinct texts of each kind).
    void push_back(const DataRecord& record);
    void clear();
    /// Room for `rows` rows and `values` currents that are not 0.
    void reserve(std::size_t rows, std::size_t values);
    /// Gives back room reserved beyond what the rows use, and the tables' look-up indexes.
    void Compact();
    std::size_t capacity() const { return rows_.capacity(); }

    /// Index of the first row whose four labels equal the arguments byte for byte, or -1.
    int Find(std::string_view mode, std::string_view voltage, std::string_view temperature,
             std::string_view frequency) const;
    /// The distinct frequencies of the rows with these three labels, in order of first appearance.
    std::vector<std::string> Frequencies(std::string_view mode, std::string_view voltage,
                                         std::string_view temperature) const;

    /// The distinct modes, voltages and temperatures, in order of first appearance.
    std::vector<std::string> Modes() const { return modes_.ToVector(); }
    std::vector<std::string> Voltages() const { return voltages_.ToVector(); }
    std::vector<std::string> Temperatures() const { return temperatures_.ToVector(); }

    /// The bytes of memory the rows hold (what the benchmarks report).
    std::size_t MemoryBytes() const;

private:
    // bits 0 to 39: which currents the row stores, in column order from values_[firstValue];
    // bits 40 to 47, 48 to 55 and 56 to 63: the ids of the mode, voltage and temperature.
    struct Row {
        std::uint64_t present;
        std::uint32_t firstValue;
        std::uint32_t frequency;
    };

    std::vector<Row> rows_;
    std::vector<std::int32_t> values_;
    LabelPool modes_;
    LabelPool voltages_;
    LabelPool temperatures_;
    LabelPool frequencies_;
};

/// The loaded device's characterisation data. Labels are upper-cased at load; captions keep their
/// case. Each list holds at most kMaxEntries distinct texts, in order of first appearance.
struct DeviceData {
    std::vector<std::string> columnNames;
    std::vector<std::string> modeNames;
    std::vector<std::string> voltageNames;
    std::vector<std::string> temperatureNames;
    std::string deviceNotes;
    DeviceRows rows;

    /// Index of the first row whose four labels equal the arguments byte for byte, or -1.
    int FindModeRow(std::string_view mode, std::string_view voltage, std::string_view temperature,
                    std::string_view frequency) const;
    /// The smallest column k >= 1 whose caption equals `caption`, or -1. Column 0 is never found.
    int FindColumn(std::string_view caption) const;
    /// The distinct frequencies of the rows with these three labels, in order of first appearance.
    std::vector<std::string> ListModeFrequencies(std::string_view mode, std::string_view voltage,
                                                 std::string_view temperature) const;
};

}  // namespace runwell
