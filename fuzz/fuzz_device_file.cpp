// Device data files: the parser, checked against the plain reading of the format and against
// the same bytes read from a file, then every lookup the mode editor makes on what it accepted.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "DeviceReference.h"
#include "FuzzCheck.h"
#include "device/DeviceFile.h"
#include "estimate/Format.h"
#include "estimate/ModeComputation.h"
#include "platform/FileRead.h"

namespace {

namespace fs = std::filesystem;

using runwell::DataRow;
using runwell::DeviceData;
using runwell::kMaxEntries;

/// Each derived list holds distinct labels, at most kMaxEntries of them.
void CheckList(const std::vector<std::string>& list) {
    RUNWELL_FUZZ_CHECK(list.size() <= kMaxEntries);
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            RUNWELL_FUZZ_CHECK(list[i] != list[j]);
        }
    }
}

void CheckFigures(const runwell::ModeFigures& figures) {
    for (const float value : {figures.controllerCurrent, figures.totalCurrent,
                              figures.controllerCharge, figures.totalCharge}) {
        RUNWELL_FUZZ_CHECK(std::isfinite(value));
    }
    RUNWELL_FUZZ_CHECK(
        !runwell::fuzz::ShowsNonFinite(runwell::FormatCurrent(figures.totalCurrent)));
    RUNWELL_FUZZ_CHECK(!runwell::fuzz::ShowsNonFinite(runwell::FormatCharge(figures.totalCharge)));
}

bool Contains(const std::vector<std::string>& list, std::string_view label) {
    return std::find(list.begin(), list.end(), label) != list.end();
}

bool HasLowerCaseLetter(std::string_view label) {
    return std::any_of(label.begin(), label.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

void ExerciseRow(const DeviceData& device, std::size_t index) {
    const DataRow row = device.rows[index];
    RUNWELL_FUZZ_CHECK(row.values[0] != 0);
    RUNWELL_FUZZ_CHECK(Contains(device.modeNames, row.modeName));
    RUNWELL_FUZZ_CHECK(Contains(device.voltageNames, row.voltageName));
    RUNWELL_FUZZ_CHECK(Contains(device.temperatureNames, row.temperatureName));
    for (const std::string_view label :
         {row.modeName, row.voltageName, row.temperatureName, row.frequencyName}) {
        RUNWELL_FUZZ_CHECK(!label.empty() && !HasLowerCaseLetter(label));
    }

    const int found =
        device.FindModeRow(row.modeName, row.voltageName, row.temperatureName, row.frequencyName);
    RUNWELL_FUZZ_CHECK(found >= 0 && static_cast<std::size_t>(found) <= index);
    const std::vector<std::string> frequencies =
        device.ListModeFrequencies(row.modeName, row.voltageName, row.temperatureName);
    RUNWELL_FUZZ_CHECK(!frequencies.empty());

    const runwell::SleepCurrent sleep =
        runwell::LookupSleepCurrent(device, row.voltageName, row.temperatureName);

    // Every flag on, the hidden columns' and byte 0 included: the worst a settings file can bring.
    runwell::PeripheralFlags flags;
    flags.fill(1);
    const runwell::PeripheralFlags allOn = flags;
    const std::vector<runwell::PeripheralEntry> entries =
        runwell::BuildPeripheralEntries(device, found, flags, sleep.nanoamps);
    for (const runwell::PeripheralEntry& entry : entries) {
        RUNWELL_FUZZ_CHECK(entry.column >= 1 &&
                           static_cast<std::size_t>(entry.column) < device.columnNames.size());
    }

    runwell::ModeInputs inputs;
    inputs.operatingMode = row.modeName;
    inputs.voltage = row.voltageName;
    inputs.temperature = row.temperatureName;
    inputs.frequency = row.frequencyName;
    inputs.flags = &allOn;
    inputs.sleepCurrent = sleep.nanoamps;
    inputs.systemCurrentText = "1e30";
    inputs.systemCurrentUnit = 2;
    inputs.durationText = "3.4e38";
    inputs.durationUnit = 2;
    const runwell::Result<runwell::ModeFigures> figures = runwell::ComputeMode(device, inputs);
    RUNWELL_FUZZ_CHECK(figures.ok());
    CheckFigures(*figures);

    inputs.systemCurrentText = "-0";
    inputs.durationText = "10";
    inputs.durationUnit = 0;
    const runwell::Result<runwell::ModeFigures> plain = runwell::ComputeMode(device, inputs);
    RUNWELL_FUZZ_CHECK(plain.ok());
    CheckFigures(*plain);
}

/// A scratch folder for the file each input is written to; removed when the process ends.
fs::path gFolder;

void RemoveFolder() {
    std::error_code ec;
    if (!gFolder.empty()) {
        fs::remove_all(gFolder, ec);
    }
}

/// The outcome of a load as one comparable text: the error message, or a mark for success.
std::string Outcome(const runwell::Result<DeviceData>& result) {
    return result ? std::string("loaded") : "refused: " + result.error().message;
}

/// The parser against the plain reading of the format: the same device, or the same refusal.
void CompareWithReference(std::string_view content, const runwell::Result<DeviceData>& parsed) {
    const runwell::fuzz::ReferenceOutcome reference = runwell::fuzz::ReadDeviceReference(content);
    if (reference.errorLine != 0) {
        const std::string expected =
            "refused: The device data file \"fuzz.csv\" is malformed: line " +
            std::to_string(reference.errorLine) + " " + reference.problem;
        if (Outcome(parsed) != expected) {
            std::fprintf(stderr, "parser: %s\nreference: %s\n", Outcome(parsed).c_str(),
                         expected.c_str());
            std::abort();
        }
        return;
    }
    if (!parsed) {
        std::fprintf(stderr, "parser: %s\nreference: loaded\n", Outcome(parsed).c_str());
        std::abort();
    }
    RUNWELL_FUZZ_CHECK(runwell::fuzz::SameDevice(*parsed, reference.device));
}

/// The same bytes read from a file: LoadDeviceFile gives what ParseDeviceData gives, and the
/// file's line reader returns the lines of the in-memory one at any block size.
void CompareWithFile(std::string_view content, const runwell::Result<DeviceData>& parsed) {
    const fs::path path = gFolder / "fuzz.csv";
    {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                                   &std::fclose);
        RUNWELL_FUZZ_CHECK(file != nullptr);
        RUNWELL_FUZZ_CHECK(std::fwrite(content.data(), 1, content.size(), file.get()) ==
                           content.size());
    }
    const runwell::Result<DeviceData> loaded = runwell::LoadDeviceFile(path);
    RUNWELL_FUZZ_CHECK(Outcome(loaded) == Outcome(parsed));
    if (loaded) {
        RUNWELL_FUZZ_CHECK(runwell::fuzz::SameDevice(*loaded, *parsed));
    }
    // One small block size per input, picked by its length, so lines cross block ends anywhere.
    runwell::FileLineReader fromFile(path, 2 + content.size() % 61);
    runwell::LineReader inMemory(content);
    std::string_view expected;
    std::string_view line;
    while (inMemory.Next(expected)) {
        RUNWELL_FUZZ_CHECK(fromFile.Next(line));
        RUNWELL_FUZZ_CHECK(line == expected);
        RUNWELL_FUZZ_CHECK(fromFile.lineNumber() == inMemory.lineNumber());
    }
    RUNWELL_FUZZ_CHECK(!fromFile.Next(line));
    RUNWELL_FUZZ_CHECK(!fromFile.failed());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "runwell_fuzz_device_XXXXXX").string();
    RUNWELL_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    gFolder = pattern;
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const runwell::Result<DeviceData> parsed = runwell::ParseDeviceData(content, "fuzz.csv");
    CompareWithReference(content, parsed);
    CompareWithFile(content, parsed);
    if (!parsed) {
        RUNWELL_FUZZ_CHECK(!parsed.error().message.empty());
        return 0;
    }
    const DeviceData& device = *parsed;
    RUNWELL_FUZZ_CHECK(device.columnNames.size() <= kMaxEntries);
    CheckList(device.modeNames);
    CheckList(device.voltageNames);
    CheckList(device.temperatureNames);
    for (const std::string& caption : device.columnNames) {
        const int column = device.FindColumn(caption);
        RUNWELL_FUZZ_CHECK(
            column == -1 ||
            (column >= 1 && device.columnNames[static_cast<std::size_t>(column)] == caption));
    }
    for (std::size_t i = 0; i < device.rows.size(); ++i) {
        ExerciseRow(device, i);
    }
    // A lookup for labels no row has finds nothing and reports it.
    const runwell::SleepCurrent none = runwell::LookupSleepCurrent(device, "", "");
    RUNWELL_FUZZ_CHECK(none.nanoamps == 0 || device.FindModeRow("SLEEP", "", "", "0") >= 0);
    return 0;
}
