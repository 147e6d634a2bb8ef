// The mode editor driven by the script fixtures/editor/script.tsv over fixtures/editor/device.csv.

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TableFile.h"
#include "device/DeviceFile.h"
#include "estimate/ModeEditor.h"

namespace runwell {
namespace {

std::string FlagsText(const PeripheralFlags& flags) {
    std::string text = "flags";
    for (std::size_t k = 0; k < flags.size(); ++k) {
        text += flags[k] != 0 ? " " + std::to_string(k) : "";
    }
    return text;
}

/// Every field of a record; nine digits give every float back exactly.
std::string Describe(const ModeRecord& r) {
    std::ostringstream out;
    out << std::setprecision(9) << r.label << " | " << r.operatingMode << " " << r.frequency
        << " | " << FlagsText(r.peripheralFlags) << " | " << r.duration << " us " << r.systemCurrent
        << " nA " << r.totalCurrent << " nA " << r.totalCharge << " nAus";
    return out.str();
}

/// What the dialog's lists show: operating mode, frequencies ([selected]; "fixed" when the list
/// is disabled) and peripherals (+: selected), then the controller current and the flags set.
/// `onlySelected` leaves out the operating mode, the frequencies and the peripherals that are off.
std::string State(const ModeEditor& e, bool onlySelected = false) {
    const int mode = e.operatingModeIndex();
    std::string s = mode < 0 ? "-" : e.operatingModes()[static_cast<std::size_t>(mode)];
    for (std::size_t i = 0; i < e.frequencies().size(); ++i) {
        const bool on = static_cast<int>(i) == e.frequencyIndex();
        s += on ? " [" + e.frequencies()[i] + "]" : " " + e.frequencies()[i];
    }
    s = onlySelected ? "" : s + (e.frequencyEnabled() ? " | " : " fixed | ");
    for (const PeripheralEntry& entry : e.peripherals()) {
        s += entry.selected ? "+" + entry.text + " " : onlySelected ? "" : entry.text + " ";
    }
    return s + "| " + e.controllerCurrentText() + " | " + FlagsText(e.record().peripheralFlags);
}

/// The fields: name, duration and system current with their units, total current and charges.
std::string Fields(const ModeEditor& e) {
    return e.name() + " | " + e.durationText() + " unit " + std::to_string(e.durationUnit()) +
           " | " + e.systemCurrentText() + " unit " + std::to_string(e.systemCurrentUnit()) +
           " | " + e.totalCurrentText() + ", " + e.controllerChargeText() + ", " +
           e.totalChargeText();
}

std::string Joined(const std::vector<std::string>& texts) {
    return Join(texts, " / ");
}

/// A mode from "label;operating mode;frequency;duration;system current;flag=value ...".
ModeRecord Source(const std::string& text) {
    std::vector<std::string> fields = SplitAt(text, ';');
    fields.resize(6);
    ModeRecord mode{.label = fields[0], .operatingMode = fields[1], .frequency = fields[2]};
    if (!fields[3].empty()) {
        mode.duration = std::stof(fields[3]);
    }
    if (!fields[4].empty()) {
        mode.systemCurrent = std::stof(fields[4]);
    }
    std::istringstream flags(fields[5]);
    for (std::string flag; flags >> flag;) {
        mode.peripheralFlags.at(std::stoul(flag)) =
            static_cast<std::uint8_t>(std::stoi(flag.substr(flag.find('=') + 1)));
    }
    return mode;
}

/// What one script row does to the editor `e` (opened by the last "open" row), and what it shows.
std::string Step(const DeviceData& device, std::optional<ModeEditor>& e, const std::vector<std::string>& r) {
    const std::string& command = r[0];
    if (command == "open") {  // source ("new": none), voltage
        const ModeRecord source = Source(r[1]);
        e.emplace(device, r[2], "25C", r[1] == "new" ? nullptr : &source);
        return Joined(e->openingWarnings());
    }
    if (command == "mode") {  // by name
        const auto& modes = e->operatingModes();
        return Joined(e->SelectOperatingMode(
            static_cast<int>(std::find(modes.begin(), modes.end(), r[1]) - modes.begin())));
    }
    if (command == "frequency") {
        return Joined(e->SelectFrequency(std::stoi(r[1])));
    }
    if (command == "select") {  // a peripheral entry
        const std::string warnings = Joined(e->SetPeripheralSelected(std::stoi(r[1]), true));
        return warnings + State(*e, true);
    }
    if (command == "duration") {  // duration, system current, duration unit: the warnings' count
        return std::to_string(e->CommitDuration(r[1], r[2], std::stoi(r[3])).size());
    }
    if (command == "confirm") {  // duration, system current, name
        const ModeEditor::Confirmation done = e->Confirm(r[1], r[2], r[3]);
        return done.record ? Joined(done.warnings) + Describe(*done.record) : done.refusal;
    }
    if (command == "entry") {
        return e->peripherals().at(std::stoul(r[1])).text;
    }
    return command == "state"      ? State(*e)
           : command == "selected" ? State(*e, true)
           : command == "fields"   ? Fields(*e)
           : command == "record"   ? Describe(e->record())
                                   : "(unknown command)";
}

TEST(ModeEditor, Script) {
    const Result<DeviceData> device = LoadDeviceFile(RUNWELL_FIXTURES "/editor/device.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    const auto rows = ReadTable(RUNWELL_FIXTURES "/editor/script.tsv");
    ASSERT_GE(rows.size(), 30u);
    ASSERT_EQ(rows.front().front(), "open");
    std::optional<ModeEditor> editor;
    for (const auto& row : rows) {
        EXPECT_EQ(Step(*device, editor, row), row.back()) << testing::PrintToString(row);
    }
}

}  // namespace
}  // namespace runwell
