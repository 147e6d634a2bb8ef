// The settings file's encodings (ArchiveWriter, ArchiveReader), its layout (SerializeSettings,
// ParseSettings) and its loads into a workspace. The case tables, the golden file and the data
// folder are under fixtures/settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <new>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "TableFile.h"
#include "base/Messages.h"
#include "files/Archive.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "session/Workspace.h"

// Records the largest single allocation, so a test can show that no length or count read from a
// file was used to allocate.
namespace {
std::size_t g_largestAllocation = 0;
}

// Kept out of line: inlined, the compiler would pair this malloc with other deletes and warn.
[[gnu::noinline]] void* operator new(std::size_t size) {
    g_largestAllocation = std::max(g_largestAllocation, size);
    void* p = std::malloc(size == 0 ? 1 : size);
    return p != nullptr ? p : throw std::bad_alloc();
}
// The library's temporary buffers (std::stable_sort in a workspace's start) take the nothrow form;
// left to the default, it would not be paired with the delete below.
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    g_largestAllocation = std::max(g_largestAllocation, size);
    return std::malloc(size == 0 ? 1 : size);
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace runwell {
namespace {

namespace fs = std::filesystem;
const fs::path kFixtures = fs::path(RUNWELL_FIXTURES) / "settings";

/// A mode whose duration, total current, total charge and system current are given by their bits;
/// the listed peripheral flags hold 0x80, which is written as 1.
ModeRecord Mode(std::string label, std::string mode, std::string frequency,
                std::array<std::uint32_t, 4> bits, std::initializer_list<std::size_t> flags = {}) {
    ModeRecord record{.label = label, .operatingMode = mode, .frequency = frequency};
    record.duration = std::bit_cast<float>(bits[0]);
    record.totalCurrent = std::bit_cast<float>(bits[1]);
    record.totalCharge = std::bit_cast<float>(bits[2]);
    record.systemCurrent = std::bit_cast<float>(bits[3]);
    for (const std::size_t flag : flags) {
        record.peripheralFlags[flag] = 0x80;
    }
    return record;
}

/// What three_modes.txt holds.
SettingsData ThreeModes() {
    SettingsData settings{"MCU430X", "3.3V", "25C", 2, {}};
    settings.modes = {
        Mode("Sleep", "LPM3", "32KHZ", {0x4B189680, 0x3F800000, 0x4B189680, 0x7F800001}, {1}),
        Mode("", "ACTIVE", "", {0x00000001, 0x7FC12345, 0x7F800000, 0x80000000}),
        Mode("*", "LPM0", "1MHZ", {0xFF800000, 0x807FFFFF, 0xFFFFFFFF, 0x41200000}, {5, 39})};
    return settings;
}

std::string Golden() {
    std::string bytes;
    for (const auto& row : ReadTable(kFixtures / "three_modes.txt")) {
        bytes += row.at(0);
    }
    return bytes;
}

/// `length` bytes of every value, NUL included.
std::string AllBytes(std::size_t length) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(i * 7);
    }
    return text;
}

TEST(ArchiveTest, StringPrefixesAndRoundTrips) {
    const auto rows = ReadTable(kFixtures / "string_prefixes.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0));
        const std::string text = AllBytes(std::stoul(row.at(0)));
        ArchiveWriter writer;
        writer.WriteString(text);
        EXPECT_EQ(writer.bytes().substr(0, writer.bytes().size() - text.size()), row.at(1));
        ArchiveReader reader(writer.bytes());
        EXPECT_EQ(reader.ReadString(), text);
        EXPECT_EQ(reader.remaining(), 0u);
    }
}

TEST(ArchiveTest, ReadsStringsAndRefusesBrokenOnesWithoutAllocating) {
    const auto rows = ReadTable(kFixtures / "string_reads.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0));
        ArchiveReader reader(row.at(1));
        g_largestAllocation = 0;
        EXPECT_EQ(reader.ReadString().value_or("<failed>"), row.at(2));
        EXPECT_LT(g_largestAllocation, 4096u);
        const std::string error = reader.error();
        EXPECT_EQ(error, row.at(3) == "early"    ? msg::kFileEndsEarly
                         : row.at(3) == "length" ? msg::kBadStringLength
                                                 : "");
        // A read takes all its bytes, and a failure is final: later reads fail, the first message
        // stays.
        EXPECT_EQ(reader.ReadByte(), std::nullopt);
        EXPECT_EQ(reader.error(), error.empty() ? msg::kFileEndsEarly : error);
    }
}

TEST(SettingsFileTest, GoldenFileAndBitForBitRoundTrips) {
    const std::string golden = Golden();
    EXPECT_EQ(SerializeSettings(ThreeModes()), golden);

    SettingsData longTexts = ThreeModes();
    longTexts.device = std::string(300, 'D');
    for (const std::size_t length : {0u, 254u, 255u, 300u, 70000u}) {
        const std::string text = AllBytes(length);
        longTexts.modes.push_back(Mode(text, text, text, {0, 0, 0, 0}));
    }
    for (const std::string& bytes : {golden, SerializeSettings(longTexts)}) {
        const ParsedSettings parsed = ParseSettings(bytes);
        EXPECT_EQ(parsed.error, std::nullopt);
        // Serialized again, the parsed fields show every bit that was read.
        EXPECT_EQ(SerializeSettings({parsed.device.value_or(""), parsed.voltage.value_or(""),
                                     parsed.temperature.value_or(""), parsed.battery.value_or(0),
                                     parsed.modes}),
                  bytes);
    }

    std::string flagged = golden;
    flagged.back() = '\x07';  // the last flag of the last mode
    EXPECT_EQ(ParseSettings(flagged).modes.at(2).peripheralFlags[39], 1);
}

TEST(SettingsFileTest, ModeCountIsNeverTrusted) {
    SettingsData none = ThreeModes();
    none.modes.clear();
    const std::string header = SerializeSettings(none);
    const std::string records = Golden().substr(header.size());
    const auto rows = ReadTable(kFixtures / "mode_counts.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0));
        ArchiveWriter count;
        count.WriteInt32(std::stoi(row.at(0)));
        const std::string bytes = header.substr(0, header.size() - 4) + count.bytes() + records;
        g_largestAllocation = 0;
        const ParsedSettings parsed = ParseSettings(bytes);
        EXPECT_LT(g_largestAllocation, 4096u);
        EXPECT_EQ(parsed.modeCount, std::stoi(row.at(0)));
        EXPECT_EQ(parsed.modes.size(), std::stoul(row.at(1)));
        EXPECT_EQ(parsed.error.value_or("ok"), row.at(2) == "early" ? msg::kFileEndsEarly : "ok");
    }
}

TEST(SettingsFileTest, EveryTruncationKeepsExactlyTheCompleteModes) {
    const std::string golden = Golden();
    for (std::size_t cut = 0; cut < golden.size(); ++cut) {
        SCOPED_TRACE(cut);
        const ParsedSettings parsed = ParseSettings(std::string_view(golden).substr(0, cut));
        EXPECT_EQ(parsed.error.value_or("none"), msg::kFileEndsEarly);
        SettingsData complete = ThreeModes();  // the modes whose records end before the cut
        while (!complete.modes.empty() && SerializeSettings(complete).size() > cut) {
            complete.modes.pop_back();
        }
        ASSERT_EQ(parsed.modes.size(), complete.modes.size());
        EXPECT_EQ(SerializeSettings({"", "", "", 0, parsed.modes}),
                  SerializeSettings({"", "", "", 0, complete.modes}));
    }
}

TEST(SettingsFileTest, EnsureExtension) {
    const auto rows = ReadTable(kFixtures / "ensure_extension.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        EXPECT_EQ(EnsureExtension(row.at(0), row.at(1)).string(), row.at(2)) << row.at(0);
    }
}

// --- Loads into a workspace: fixtures/settings/load_cases.tsv over the device and battery files in
// fixtures/settings/data. ------------------------------------------------------------------------

/// Logs each message and question with the number of modes the profile held at that moment, and
/// answers every question with `answer`.
class ScriptedPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageKind kind) override {
        static const char* const kKinds[] = {"plain", "warning", "error", "notice"};
        Log(kKinds[static_cast<int>(kind)] + (" " + text));
    }
    bool AskOkCancel(const std::string&, const std::string&) override {
        Log("ask");
        return answer;
    }
    void Log(const std::string& entry) {
        const std::size_t modes = workspace != nullptr ? workspace->modes().size() : 0;
        log += (log.empty() ? "" : " | ") + std::to_string(modes) + " " + entry;
    }

    const Workspace* workspace = nullptr;
    std::string log;
    bool answer = true;
};

/// The caption after its fixed title and " - ": the file's name and "*" while modified.
std::string CaptionEnd(const Workspace& workspace) {
    const std::string end = WindowCaption(workspace.saveState()).substr(25);
    return end.starts_with(" - ") ? end.substr(3) : end;
}

/// The selections, the profile's labels and the number of result rows: what a load may change.
std::string StateOf(const Workspace& workspace) {
    std::string labels;
    for (const ModeRecord& mode : workspace.modes()) {
        labels += (labels.empty() ? "" : ",") + mode.label;
    }
    return std::string(workspace.deviceName()) + " " + std::to_string(workspace.voltageIndex()) +
           " " + std::to_string(workspace.temperatureIndex()) + " " +
           std::to_string(workspace.batteryIndex()) + " [" + labels + "] " +
           std::to_string(workspace.results().rows.size()) + " " + CaptionEnd(workspace);
}

ModeRecord Mode(std::string label, float current) {
    return {.label = label, .operatingMode = "RUN", .frequency = "1MHZ", .totalCurrent = current};
}

const std::vector<ModeRecord> kModes = {Mode("m1", 1500.0f), Mode("m2", 250000.0f),
                                        Mode("m3", 700.0f)};

class SettingsLoadTest : public ::testing::Test {
protected:
    /// A workspace over the fixture data (which holds CustomBattery.csv, so start-up writes
    /// nothing) with `device` at its last voltage and temperature, the second battery and one mode
    /// "kept".
    Workspace& Start(const std::string& device) {
        prompter_ = ScriptedPrompter();
        Result<Workspace> started = Workspace::Start(kFixtures / "data", prompter_);
        EXPECT_TRUE(started.ok()) << started.error().message;
        workspace_.emplace(std::move(started).value());
        prompter_.workspace = &*workspace_;
        const auto& devices = workspace_->devices();
        const auto entry = std::find_if(devices.begin(), devices.end(),
                                        [&](const DeviceEntry& e) { return e.name == device; });
        EXPECT_TRUE(workspace_->ChangeDevice(static_cast<int>(entry - devices.begin()), prompter_));
        workspace_->SetVoltageIndex(static_cast<int>(workspace_->voltages().size()) - 1);
        workspace_->SetTemperatureIndex(static_cast<int>(workspace_->temperatures().size()) - 1);
        workspace_->SelectBattery(1);
        workspace_->AddMode(Mode("kept", 1000.0f));
        prompter_.log.clear();
        return *workspace_;
    }

    const ScratchFolder folder_;
    ScriptedPrompter prompter_;
    std::optional<Workspace> workspace_;
};

TEST_F(SettingsLoadTest, LoadCases) {
    const auto rows = ReadTable(kFixtures / "load_cases.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0));
        ASSERT_EQ(row.size(), 11u);
        Workspace& workspace = Start(row[1]);
        std::string bytes = SerializeSettings({row[2], row[3], row[4], std::stoi(row[5]), kModes});
        const std::string& keep = row[6];
        const bool written = keep != "folder" && keep != "missing";
        const long count = written && !keep.empty() ? std::stol(keep) : 0;  // -N: all but N bytes
        bytes.resize(count < 0      ? bytes.size() - static_cast<std::size_t>(-count)
                     : keep.empty() ? bytes.size()
                                    : static_cast<std::size_t>(count));
        const fs::path path =
            keep == "folder" ? folder_.path() : folder_ / (written ? "load.set" : "missing.set");
        if (written) {
            std::ofstream(path, std::ios::binary) << bytes + row[7];
        }
        prompter_.answer = row[8] == "ok";
        LoadSettings(workspace, path, prompter_);
        EXPECT_EQ(prompter_.log, row[9]);
        EXPECT_EQ(StateOf(workspace), row[10]);
    }
}

}  // namespace
}  // namespace runwell
