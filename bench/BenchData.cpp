#include "BenchData.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "estimate/ModeEditor.h"

namespace runwell::bench {
namespace {

namespace fs = std::filesystem;

/// The 40 value column captions: the base value, then peripherals in every caption convention.
constexpr std::array<const char*, kMaxEntries> kCaptions = {
    "Base",
    "UART0[hHFXO]",
    "UART1[hHFXO]",
    "SPI0[hHFXO]",
    "SPI1[hHFXO]",
    "I2C[hHFXO]",
    "ADC[hHFXO]",
    "DAC[hHFXO]",
    "Timer1 (XTAL)",
    "Timer1 (RCO)",
    "Timer2 (XTAL)",
    "Timer2 (RCO)",
    "tWDT",
    "tRTC",
    "dCMP",
    "dLCD",
    "USB[hPLL]",
    "Radio TX (0 dBm)",
    "Radio TX (+8 dBm)",
    "Radio RX[hPLL]",
    "AES",
    "CRC",
    "DMA",
    "GPIO",
    "PWM (1 channel)",
    "PWM (4 channels)",
    "Opamp",
    "Temp sensor",
    "tBOD",
    "tLVD",
    "dVREF",
    "QSPI[hHFXO]",
    "CAN[hHFXO]",
    "LIN",
    "Touch",
    "Flash write",
    "EEPROM write",
    "Debug",
    "hHFXO",
    "hPLL",
};

constexpr std::array<const char*, 8> kVoltages = {"3.3v", "1.8v", "2.0v", "2.2v",
                                                  "2.5v", "2.7v", "3.0v", "3.6v"};
constexpr std::array<const char*, 10> kTemperatures = {"25c", "-40c", "-20c", "0c",   "40c",
                                                       "55c", "70c",  "85c",  "105c", "125c"};
// Clocked modes in mixed case, so the loader's upper-casing has work to do; base current in nA
// at no clock and per kHz.
struct ClockedMode {
    const char* name;
    int offset;
    int perKhz;
};
constexpr std::array<ClockedMode, 4> kClockedModes = {
    {{"Run", 40000, 90}, {"Idle", 20000, 25}, {"Doze", 8000, 8}, {"LowRun", 3000, 30}}};

/// A small deterministic generator (xorshift32): the same inputs on every run and machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed == 0 ? 1 : seed) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint32_t>(bound)); }

private:
    std::uint32_t state_;
};

void AppendLine(std::string& out, const char* mode, const char* voltage, const char* temperature,
                const std::string& frequency, int base, int sleep, Random& random) {
    out += mode;
    out += ',';
    out += voltage;
    out += ',';
    out += temperature;
    out += ',';
    out += frequency;
    out += ',';
    out += std::to_string(base);
    const bool asleep = sleep == base;
    for (std::size_t k = 1; k < kCaptions.size(); ++k) {
        const char marker = kCaptions[k][0];
        int value = 0;
        if (marker == 't') {
            value = sleep + 200 + random.Below(900);  // includes the SLEEP current
        } else if (marker == 'h') {
            value = asleep ? 0 : 600000 + random.Below(600000);
        } else if (!asleep || k % 9 == 0) {
            // Some peripherals are not available at some operating points.
            value = random.Below(11) == 0 ? 0 : 20000 + random.Below(3000000);
        }
        out += ',';
        out += std::to_string(value);
    }
    out += "\r\n";
}

std::string MakeBatteryFile() {
    return "Description,\"Capacity, mAh\",\"Self discharge, %/month\",Nominal V,"
           "\"Maximum cont. current, mA\",\"Maximum pulse. current, mA\",Notes\r\n"
           "CR2032 coin cell,225,0.08,3.0,3,15,Lithium manganese dioxide\r\n"
           "CR2450 coin cell,620,0.08,3.0,3,15,Lithium manganese dioxide\r\n"
           "2 x AA alkaline,2800,0.3,3.0,100,500,Zinc manganese dioxide\r\n";
}

/// The same variant group: equal up to and including the first '(' of both shown names.
bool SameVariantGroup(const std::string& a, const std::string& b) {
    const std::size_t open = a.find('(');
    return open != std::string::npos && b.size() > open &&
           b.compare(0, open + 1, a, 0, open + 1) == 0;
}

/// One mode as a user confirms it in the editor.
std::optional<ModeRecord> EditMode(const DeviceData& device, const std::string& voltage,
                                   const std::string& temperature, Random& random, int index) {
    static constexpr std::array<const char*, 6> kNames = {"Measure", "Radio TX", "Wait",
                                                          "Log",     "Sleep",    ""};
    ModeEditor editor(device, voltage, temperature, nullptr);
    editor.SelectOperatingMode(random.Below(static_cast<int>(editor.operatingModes().size())));
    if (!editor.frequencies().empty()) {
        editor.SelectFrequency(random.Below(static_cast<int>(editor.frequencies().size())));
    }
    const int offered = static_cast<int>(editor.peripherals().size());
    std::vector<std::string> chosen;
    for (int n = random.Below(6); offered > 0 && n > 0; --n) {
        const int entry = random.Below(offered);
        const std::string& text = editor.peripherals()[static_cast<std::size_t>(entry)].text;
        bool clash = false;
        for (const std::string& other : chosen) {
            clash = clash || SameVariantGroup(other, text);
        }
        if (!clash) {
            chosen.push_back(text);
            editor.SetPeripheralSelected(entry, true);
        }
    }
    const int unit = random.Below(3);
    const int magnitude =
        unit == 0 ? 10 + random.Below(990) : 1 + random.Below(unit == 1 ? 999 : 30);
    const std::string duration = std::to_string(magnitude) + (random.Below(4) == 0 ? ".5" : "");
    const std::string system = random.Below(7) == 0 ? "150" : "0";
    editor.CommitSystemCurrent(duration, system, 1);
    editor.CommitDuration(duration, system, unit);
    const std::string name = std::string(kNames[static_cast<std::size_t>(index) % kNames.size()]);
    return editor.Confirm(duration, system, name).record;
}

}  // namespace

std::string MakeDeviceFile(const DeviceShape& shape) {
    std::string out;
    const std::size_t lines =
        static_cast<std::size_t>(shape.voltages) * static_cast<std::size_t>(shape.temperatures) *
        (1 + kClockedModes.size() * static_cast<std::size_t>(shape.frequencies));
    out.reserve(lines * 330 + 2048);
    out += "BENCH40,BENCH40-L\r\n";
    out +=
        "\"Bench 40: generated characterisation, 40 value columns.\",Typical supply currents "
        "in nA.,\"UART, SPI, ADC take their clock from HFXO; counted once.\",Timer1 runs from "
        "XTAL or RCO.\r\n";
    out += "Mode,Voltage,Temperature,Frequency";
    for (const char* caption : kCaptions) {
        out += ',';
        out += caption;
    }
    out += "\r\n";

    Random random(20240611);
    for (int v = 0; v < shape.voltages; ++v) {
        const char* voltage = kVoltages[static_cast<std::size_t>(v) % kVoltages.size()];
        for (int t = 0; t < shape.temperatures; ++t) {
            const char* temperature =
                kTemperatures[static_cast<std::size_t>(t) % kTemperatures.size()];
            const int sleep = 300 + random.Below(600);
            AppendLine(out, "Sleep", voltage, temperature, "0", sleep, sleep, random);
            for (const ClockedMode& mode : kClockedModes) {
                for (int f = 0; f < shape.frequencies; ++f) {
                    const int khz = 32 + 40 * f;
                    const int base = mode.offset + mode.perKhz * khz + random.Below(2000);
                    AppendLine(out, mode.name, voltage, temperature, std::to_string(khz) + "kHz",
                               base, sleep, random);
                }
            }
        }
    }
    return out;
}

std::vector<ModeRecord> MakeProfile(const DeviceData& device, int count, const std::string& voltage,
                                    const std::string& temperature) {
    // A pool of edited modes is repeated with fresh labels: the editor is far slower than
    // anything measured, and a profile's cost does not depend on the modes being distinct.
    constexpr int kPool = 251;
    Random random(7);
    std::vector<ModeRecord> pool;
    for (int i = 0; i < kPool; ++i) {
        if (std::optional<ModeRecord> mode = EditMode(device, voltage, temperature, random, i)) {
            pool.push_back(std::move(*mode));
        }
    }
    if (pool.empty()) {
        throw std::runtime_error("the bench device offers no mode to edit");
    }
    std::vector<ModeRecord> modes;
    modes.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ModeRecord mode = pool[static_cast<std::size_t>(i) % pool.size()];
        if (!mode.label.empty()) {
            mode.label += " " + std::to_string(i + 1);
        }
        modes.push_back(std::move(mode));
    }
    return modes;
}

BenchFolder::BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "runwell-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
    fs::create_directory(path_ / "Data");
    WriteFile(path_ / "Data" / "BENCH40.csv", MakeDeviceFile(kSmallDevice));
    WriteFile(path_ / "StandardBattery.csv", MakeBatteryFile());
    WriteFile(path_ / "CustomBattery.csv",
              "Description,Capacity,Self discharge,Nominal V,Cont,Pulse,Notes\r\n");
}

BenchFolder::~BenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace runwell::bench
