// The mode editor driven by the script fixtures/editor/script.tsv over fixtures/editor/device.csv.

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TableFile.h"
#include "device/DeviceFile.h"
#include "estimate/ModeComputation.h"
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

// A doubtful duration is pointed out; a plain positive number in any spelling is not.
TEST(ModeEditor, DoubtfulDurationsArePointedOut) {
    const std::string zero =
        "A duration of 0: the mode adds no charge, yet its current still sets the peak.";
    const std::string negative = "A negative duration: the mode takes charge away from the profile.";
    const struct {
        const char* text;
        int unit;
        std::optional<std::string> notice;
    } cases[] = {
        {"10", 0, std::nullopt},
        {" 2.5 ", 1, std::nullopt},
        {".5e3", 2, std::nullopt},
        {"+7", 0, std::nullopt},
        {"abc", 0, "'abc' is not a number: read as 0 uS"},
        {"12abc", 1, "'12abc' is not a number: read as 12 mS"},
        {"1e", 0, "'1e' is not a number: read as 1 uS"},
        {"", 0, "'' is not a number: read as 0 uS"},
        {"-", 2, "'-' is not a number: read as 0 S"},
        {"0", 0, zero},
        {"0.0000", 1, zero},
        {"-3", 0, negative},
        {"1e-60", 0, zero},  // below the smallest float: computed as 0
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DurationNotice(c.text, c.unit), c.notice) << c.text;
    }
    EXPECT_EQ(DurationNotice(std::numeric_limits<float>::quiet_NaN()),
              "The duration is not a number: the results cannot be relied on.");
    EXPECT_EQ(DurationNotice(1e-30f), std::nullopt);
}

}  // namespace
}  // namespace runwell
