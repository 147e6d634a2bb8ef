#include "estimate/ModeComputation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Numbers.h"
#include "base/Text.h"
#include "estimate/Format.h"

namespace runwell {
namespace {

float ScaleByUnit(std::string_view text, int unitIndex) {
    const float number = NarrowToFloat(ReadReal(text));
    switch (unitIndex) {
        case 1:
            return NarrowToFloat(static_cast<double>(number) * 1000.0);
        case 2:
            return NarrowToFloat(static_cast<double>(number) * 1000000.0);
        default:
            return number;
    }
}

/// The name of the shared source in a caption such as "ADC[hOSC]": the second token when the
/// caption is split at '[' and ']'; empty when there is none.
std::string_view SharedSource(std::string_view caption) {
    const std::vector<std::string_view> tokens = SplitTokens(caption, "[]");
    return tokens.size() > 1 ? tokens[1] : std::string_view{};
}

}  // namespace

std::string MissingSleepMessage(std::string_view voltage, std::string_view temperature) {
    return "There's no \"SLEEP\" mode data for\r\n" + std::string(voltage) + " voltage and " +
           std::string(temperature) + " temperature.\r\nThe data file is corrupted.";
}

std::string MissingModeMessage(std::string_view mode, std::string_view voltage,
                               std::string_view temperature, std::string_view frequency) {
    return "There's no " + std::string(mode) + " mode data for\r\n" + std::string(voltage) +
           " voltage, " + std::string(temperature) + " temperature and\r\n" +
           std::string(frequency) + " frequency.\r\n";
}

SleepCurrent LookupSleepCurrent(const DeviceData& device, std::string_view voltage,
                                std::string_view temperature) {
    const int row = device.FindModeRow("SLEEP", voltage, temperature, "0");
    if (row < 0) {
        return {0, MissingSleepMessage(voltage, temperature)};
    }
    // Held unsigned: a negative base value wraps as the stored 32 bits are reinterpreted.
    return {static_cast<std::uint32_t>(device.rows.Value(static_cast<std::size_t>(row), 0)),
            std::nullopt};
}

float ToMicroseconds(std::string_view text, int unitIndex) { return ScaleByUnit(text, unitIndex); }
float ToNanoamps(std::string_view text, int unitIndex) { return ScaleByUnit(text, unitIndex); }

namespace {

/// [sign] digits [. digits] [exponent], or [sign] . digits [exponent], between white space.
bool IsPlainNumber(std::string_view text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t at = text.find_first_not_of(" \t");
    const std::size_t end = text.find_last_not_of(" \t") + 1;
    if (at == std::string_view::npos) {
        return false;
    }
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < end && digit(text[at])) {
            ++at;
        }
        return at - from;
    };
    if (text[at] == '+' || text[at] == '-') {
        ++at;
    }
    std::size_t count = digits();
    if (at < end && text[at] == '.') {
        ++at;
        count += digits();
    }
    if (count == 0) {
        return false;
    }
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < end && (text[at] == '+' || text[at] == '-')) {
            ++at;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return at == end;
}

}  // namespace

std::optional<std::string> DurationNotice(std::string_view text, int unitIndex) {
    if (!IsPlainNumber(text)) {
        const int unit = unitIndex == 1 || unitIndex == 2 ? unitIndex : 0;
        return QuotedForMessage(text) + " is not a number: read as " +
               FormatTrimmed(NarrowToFloat(ReadReal(text)), 3) + " " + kDurationUnits[unit];
    }
    return DurationNotice(ToMicroseconds(text, unitIndex));
}

std::optional<std::string> DurationNotice(float duration) {
    if (std::isnan(duration)) {
        return std::string("The duration is not a number: the results cannot be relied on.");
    }
    if (duration == 0.0f) {
        return std::string("A duration of 0: the mode adds no charge, yet its current still sets "
                           "the peak.");
    }
    if (duration < 0.0f) {
        return std::string("A negative duration: the mode takes charge away from the profile.");
    }
    return std::nullopt;
}

DisplaySplit SplitForDisplay(float value) {
    if (std::isnan(value)) {
        value = 0.0f;  // confirming reads a NaN's text as 0 anyway
    } else if (std::isinf(value)) {
        value = value > 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
    }
    DisplaySplit split;
    double number = value;
    if (value > 100000.0f) {
        split.unitIndex = 2;
        number = value / 1000000.0;
    } else if (value > 100.0f) {
        split.unitIndex = 1;
        number = value / 1000.0;
    }
    split.number = FormatTrimmed(NarrowToFloat(number), 3);
    return split;
}

std::vector<PeripheralEntry> BuildPeripheralEntries(const DeviceData& device, int row,
                                                    PeripheralFlags& flags,
                                                    std::uint32_t sleepCurrent) {
    std::vector<PeripheralEntry> entries;
    if (row < 0 || static_cast<std::size_t>(row) >= device.rows.size()) {
        return entries;
    }
    const DataRow record = device.rows[static_cast<std::size_t>(row)];
    const std::size_t columns = std::min(device.columnNames.size(), kMaxEntries);
    for (std::size_t i = 1; i < columns; ++i) {
        const std::string& caption = device.columnNames[i];
        const std::int32_t value = record.values[i];
        if (value == 0) {
            flags[i] = 0;  // not available in this row: the flag is dropped for good
            continue;
        }
        if (!caption.empty() && caption.front() == 'h') {
            continue;
        }
        const bool lessThan = caption.find('[') != std::string::npos;
        const std::vector<std::string_view> tokens = SplitTokens(caption, "[");
        std::string text(tokens.empty() ? std::string_view{} : tokens.front());
        const bool includesSleep = !text.empty() && text.front() == 't';
        text += '<';
        const float shown = includesSleep
                                ? NarrowToFloat(static_cast<double>(value) - sleepCurrent)
                                : static_cast<float>(value);
        if (lessThan) {
            text += "less than ";
        }
        text += FormatCurrent(shown);
        text += '>';
        if (text.front() == 'd' || text.front() == 't') {
            text.erase(0, 1);
        }
        entries.push_back({std::move(text), static_cast<int>(i), flags[i] != 0});
    }
    return entries;
}

float ControllerCurrent(const DeviceData& device, int row, const PeripheralFlags& flags,
                        std::uint32_t sleepCurrent) {
    const DataRow record = device.rows[static_cast<std::size_t>(row)];
    float current = static_cast<float>(record.values[0]);
    std::vector<std::string_view> seenSources;
    const std::size_t columns = std::min(device.columnNames.size(), kMaxEntries);
    for (std::size_t i = 1; i < columns; ++i) {
        if (flags[i] != 1 || record.values[i] == 0) {
            continue;
        }
        const std::string& caption = device.columnNames[i];
        current = NarrowToFloat(static_cast<double>(current) + record.values[i]);
        if (!caption.empty() && caption.front() == 't') {
            current = NarrowToFloat(static_cast<double>(current) - sleepCurrent);
        }
        if (caption.find('[') == std::string::npos) {
            continue;
        }
        // The first selected peripheral naming a source carries the source's current; every
        // further one has it taken off, so the source counts once.
        const std::string_view source = SharedSource(caption);
        if (std::find(seenSources.begin(), seenSources.end(), source) == seenSources.end()) {
            seenSources.push_back(source);
            continue;
        }
        const int sourceColumn = device.FindColumn(source);
        if (sourceColumn >= 0) {
            current = NarrowToFloat(static_cast<double>(current) -
                                    record.values[static_cast<std::size_t>(sourceColumn)]);
        }
    }
    return current;
}

Result<ModeFigures> ComputeMode(const DeviceData& device, const ModeInputs& inputs) {
    const int row = device.FindModeRow(inputs.operatingMode, inputs.voltage, inputs.temperature,
                                       inputs.frequency);
    if (row < 0) {
        return Error{MissingModeMessage(inputs.operatingMode, inputs.voltage, inputs.temperature,
                                        inputs.frequency)};
    }
    static const PeripheralFlags kNone{};
    ModeFigures figures;
    figures.controllerCurrent =
        ControllerCurrent(device, row, inputs.flags ? *inputs.flags : kNone, inputs.sleepCurrent);
    const float system = ToNanoamps(inputs.systemCurrentText, inputs.systemCurrentUnit);
    figures.totalCurrent =
        NarrowToFloat(static_cast<double>(system) + static_cast<double>(figures.controllerCurrent));
    const float duration = ToMicroseconds(inputs.durationText, inputs.durationUnit);
    figures.controllerCharge = NarrowToFloat(static_cast<double>(duration) * figures.controllerCurrent);
    figures.totalCharge = NarrowToFloat(static_cast<double>(duration) * figures.totalCurrent);
    return figures;
}

}  // namespace runwell
