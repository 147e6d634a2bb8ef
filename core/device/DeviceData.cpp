#include "device/DeviceData.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "base/HugePages.h"

namespace runwell {
namespace {

constexpr std::uint64_t kValueBits = (std::uint64_t{1} << kMaxEntries) - 1;

constexpr std::uint64_t LabelBits(std::uint32_t mode, std::uint32_t voltage,
                                  std::uint32_t temperature) {
    return (std::uint64_t{mode} << 40) | (std::uint64_t{voltage} << 48) |
           (std::uint64_t{temperature} << 56);
}

}  // namespace

DataRow DeviceRows::operator[](std::size_t i) const {
    const Row& row = rows_[i];
    DataRow view{modes_.Get(static_cast<std::uint32_t>((row.present >> 40) & 0xFF)),
                 voltages_.Get(static_cast<std::uint32_t>((row.present >> 48) & 0xFF)),
                 temperatures_.Get(static_cast<std::uint32_t>(row.present >> 56)),
                 frequencies_.Get(row.frequency),
                 {}};
    const std::int32_t* value = values_.data() + row.firstValue;
    for (std::uint64_t bits = row.present & kValueBits; bits != 0; bits &= bits - 1) {
        view.values[static_cast<std::size_t>(std::countr_zero(bits))] = *value++;
    }
    return view;
}

DataRow DeviceRows::at(std::size_t i) const {
    if (i >= rows_.size()) {
        throw std::out_of_range("no such device row");
    }
    return (*this)[i];
}

std::int32_t DeviceRows::Value(std::size_t i, std::size_t k) const {
    const Row& row = rows_[i];
    const std::uint64_t bit = std::uint64_t{1} << k;
    if ((row.present & bit) == 0) {
        return 0;
    }
    // The stored currents are those of the set bits, in column order.
    return values_[row.firstValue + static_cast<std::size_t>(std::popcount(row.present & (bit - 1)))];
}

DeviceRows::Overflow DeviceRows::Append(std::string_view mode, std::string_view voltage,
                                        std::string_view temperature,
                                        std::string_view frequency, const RowValues& values,
                                        std::size_t given, std::size_t maxDistinct) {
    maxDistinct = std::min<std::size_t>(maxDistinct, 256);
    const std::uint32_t modeId = modes_.Intern(mode, maxDistinct);
    if (modeId == LabelPool::kNone) {
        return Overflow::kMode;
    }
    const std::uint32_t voltageId = voltages_.Intern(voltage, maxDistinct);
    if (voltageId == LabelPool::kNone) {
        return Overflow::kVoltage;
    }
    const std::uint32_t temperatureId = temperatures_.Intern(temperature, maxDistinct);
    if (temperatureId == LabelPool::kNone) {
        return Overflow::kTemperature;
    }
    const std::uint32_t frequencyId = frequencies_.Intern(frequency, LabelPool::kNone - 1);
    if (values_.size() + kMaxEntries > 0xFFFFFFFFu) {
        throw std::length_error("too many device values");
    }
    Row row{LabelBits(modeId, voltageId, temperatureId), static_cast<std::uint32_t>(values_.size()),
            frequencyId};
    // Room for every value first, then the ones that are not 0 are kept without a branch.
    given = std::min(given, kMaxEntries);
    const std::size_t first = values_.size();
    if (values_.capacity() < first + given) {
        values_.reserve(std::max(values_.capacity() * 2, first + kMaxEntries));
    }
    values_.resize(first + given);
    std::int32_t* out = values_.data() + first;
    std::size_t stored = 0;
    for (std::size_t k = 0; k < given; ++k) {
        out[stored] = values[k];
        const bool kept = values[k] != 0;
        row.present |= std::uint64_t{kept} << k;
        stored += kept;
    }
    values_.resize(first + stored);
    rows_.push_back(row);
    return Overflow::kNone;
}

void DeviceRows::push_back(const DataRecord& record) {
    if (Append(record.modeName, record.voltageName, record.temperatureName, record.frequencyName,
               record.values, kMaxEntries, 256) != Overflow::kNone) {
        throw std::length_error("more than 256 distinct labels of one kind");
    }
}

void DeviceRows::clear() {
    rows_.clear();
    values_.clear();
    modes_.clear();
    voltages_.clear();
    temperatures_.clear();
    frequencies_.clear();
}

void DeviceRows::reserve(std::size_t rows, std::size_t values) {
    ReserveLarge(rows_, rows);
    ReserveLarge(values_, values);
}

void DeviceRows::Compact() {
    // Reserved room that was not used (the count of values is only an upper bound) is given
    // back when it is worth a copy.
    if (values_.capacity() - values_.size() > values_.size() / 8 + 1024) {
        values_.shrink_to_fit();
    }
    if (rows_.capacity() - rows_.size() > rows_.size() / 8 + 1024) {
        rows_.shrink_to_fit();
    }
    modes_.ReleaseIndex();
    voltages_.ReleaseIndex();
    temperatures_.ReleaseIndex();
    frequencies_.ReleaseIndex();
}

int DeviceRows::Find(std::string_view mode, std::string_view voltage,
                     std::string_view temperature, std::string_view frequency) const {
    const std::uint32_t modeId = modes_.IdOf(mode);
    const std::uint32_t voltageId = voltages_.IdOf(voltage);
    const std::uint32_t temperatureId = temperatures_.IdOf(temperature);
    const std::uint32_t frequencyId = frequencies_.IdOf(frequency);
    if (modeId == LabelPool::kNone || voltageId == LabelPool::kNone ||
        temperatureId == LabelPool::kNone || frequencyId == LabelPool::kNone) {
        return -1;
    }
    // Equal texts have equal ids, so comparing ids is comparing the labels.
    const std::uint64_t labels = LabelBits(modeId, voltageId, temperatureId);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if ((rows_[i].present & ~kValueBits) == labels && rows_[i].frequency == frequencyId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::string> DeviceRows::Frequencies(std::string_view mode, std::string_view voltage,
                                                 std::string_view temperature) const {
    std::vector<std::string> frequencies;
    const std::uint32_t modeId = modes_.IdOf(mode);
    const std::uint32_t voltageId = voltages_.IdOf(voltage);
    const std::uint32_t temperatureId = temperatures_.IdOf(temperature);
    if (modeId == LabelPool::kNone || voltageId == LabelPool::kNone ||
        temperatureId == LabelPool::kNone) {
        return frequencies;
    }
    const std::uint64_t labels = LabelBits(modeId, voltageId, temperatureId);
    std::vector<std::uint32_t> seen;
    for (const Row& row : rows_) {
        if ((row.present & ~kValueBits) == labels &&
            std::find(seen.begin(), seen.end(), row.frequency) == seen.end()) {
            seen.push_back(row.frequency);
            frequencies.emplace_back(frequencies_.Get(row.frequency));
        }
    }
    return frequencies;
}

std::size_t DeviceRows::MemoryBytes() const {
    return rows_.capacity() * sizeof(Row) + values_.capacity() * sizeof(std::int32_t) +
           modes_.MemoryBytes() + voltages_.MemoryBytes() + temperatures_.MemoryBytes() +
           frequencies_.MemoryBytes();
}

int DeviceData::FindModeRow(std::string_view mode, std::string_view voltage,
                            std::string_view temperature, std::string_view frequency) const {
    return rows.Find(mode, voltage, temperature, frequency);
}

int DeviceData::FindColumn(std::string_view caption) const {
    for (std::size_t k = 1; k < columnNames.size(); ++k) {
        if (columnNames[k] == caption) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

std::vector<std::string> DeviceData::ListModeFrequencies(std::string_view mode,
                                                         std::string_view voltage,
                                                         std::string_view temperature) const {
    return rows.Frequencies(mode, voltage, temperature);
}

}  // namespace runwell
