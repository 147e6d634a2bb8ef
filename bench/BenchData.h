#pragma once

// Inputs the benchmarks make for themselves: device data files of any size in the shipped
// format, realistic profiles computed from them, and a data folder a Workspace can start from.

#include <filesystem>
#include <string>
#include <vector>

#include "base/Prompter.h"
#include "device/DeviceData.h"
#include "estimate/ModeRecord.h"

namespace runwell::bench {

/// How many operating points a generated device file has: every pairing of a voltage and a
/// temperature gets one SLEEP line and `frequencies` lines for each of the four clocked modes.
struct DeviceShape {
    int voltages = 8;
    int temperatures = 10;
    int frequencies = 937;
};

/// The shape of the large file: 8 x 10 x (1 + 4 x 937) = 299,920 data lines, about 100 MB.
inline constexpr DeviceShape kLargeDevice{8, 10, 937};
/// A small file of the same 40 columns for the workspace the profile benchmarks start from.
inline constexpr DeviceShape kSmallDevice{2, 2, 4};

/// A device data file with 40 value columns whose captions use every convention (hidden 'h',
/// SLEEP-including 't', marker 'd', shared sources in brackets, variant groups in parentheses),
/// labels in mixed case, a quoted notes line and CR LF line ends. Deterministic.
std::string MakeDeviceFile(const DeviceShape& shape);

/// The labels the generated files use (upper-cased, as a loaded device holds them).
inline constexpr const char* kVoltage = "3.3V";
inline constexpr const char* kTemperature = "25C";

/// `count` modes as a user builds them in the mode editor for `device` at a voltage and
/// temperature (3.3V and 25C unless told): clocked
/// modes and SLEEP, a few peripherals each (at most one of a variant group), durations from
/// microseconds to seconds, now and then a system current; their figures are computed by the
/// mode computation. Deterministic.
std::vector<ModeRecord> MakeProfile(const DeviceData& device, int count,
                                    const std::string& voltage = kVoltage,
                                    const std::string& temperature = kTemperature);

/// A folder laid out as the program's own: Data/BENCH40.csv (the small device),
/// StandardBattery.csv and CustomBattery.csv. Removed when the object is destroyed.
class BenchFolder {
public:
    BenchFolder();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

/// Writes `bytes` to `path`, replacing it. Throws on failure: a benchmark without its input has
/// nothing to measure.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

/// Answers every question with OK and counts messages (a benchmark checks it saw none).
class SilentPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageKind) override {
        ++messages;
        lastMessage = text;
    }
    bool AskOkCancel(const std::string&, const std::string&) override { return true; }

    int messages = 0;
    std::string lastMessage;
};

}  // namespace runwell::bench
