#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <sstream>
#include <streambuf>
#include <string>

#include "model/Messages.h"
#include "persist/Archive.h"
#include "persist/SettingsFile.h"

namespace runwell {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) {
        bytes.push_back(static_cast<char>(v));
    }
    return bytes;
}

std::string Int32(std::int32_t value) {
    ArchiveWriter writer;
    writer.WriteInt32(value);
    return writer.take();
}

ModeRecord Mode(std::string label, std::string mode, std::string frequency, std::uint32_t duration,
                std::uint32_t current, std::uint32_t charge, std::uint32_t system) {
    ModeRecord record;
    record.label = std::move(label);
    record.operatingMode = std::move(mode);
    record.frequency = std::move(frequency);
    record.duration = std::bit_cast<float>(duration);
    record.totalCurrent = std::bit_cast<float>(current);
    record.totalCharge = std::bit_cast<float>(charge);
    record.systemCurrent = std::bit_cast<float>(system);
    return record;
}

/// Compares the floats by their bits, so NaN payloads and -0 count.
void ExpectSameMode(const ModeRecord& actual, const ModeRecord& expected) {
    EXPECT_EQ(actual.label, expected.label);
    EXPECT_EQ(actual.operatingMode, expected.operatingMode);
    EXPECT_EQ(actual.frequency, expected.frequency);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.duration),
              std::bit_cast<std::uint32_t>(expected.duration));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.totalCurrent),
              std::bit_cast<std::uint32_t>(expected.totalCurrent));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.totalCharge),
              std::bit_cast<std::uint32_t>(expected.totalCharge));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.systemCurrent),
              std::bit_cast<std::uint32_t>(expected.systemCurrent));
    EXPECT_EQ(actual.peripheralFlags, expected.peripheralFlags);
}

SettingsData ThreeModes() {
    SettingsData settings;
    settings.device = "MCU430X";
    settings.voltage = "3.3V";
    settings.temperature = "25C";
    settings.battery = 2;
    settings.modes.push_back(Mode("Sleep", "LPM3", "32KHZ", 0x4B189680, 0x3F800000, 0x4B189680, 0));
    settings.modes.push_back(
        Mode("", "ACTIVE", "", 0x00000001, 0x7FC12345, 0x7F800000, 0x80000000));
    settings.modes.push_back(
        Mode("*", "LPM0", "1MHZ", 0xFF800000, 0x807FFFFF, 0xFFFFFFFF, 0x41200000));
    settings.modes[0].peripheralFlags[1] = 1;
    settings.modes[2].peripheralFlags[39] = 1;
    settings.modes[2].peripheralFlags[5] = 1;
    return settings;
}

TEST(SettingsFileTest, EmptyProfileBytes) {
    SettingsData settings;
    settings.device = "ABC12";
    settings.voltage = "3.3V";
    settings.temperature = "";
    settings.battery = 1;
    EXPECT_EQ(SerializeSettings(settings),
              Bytes({0x05, 'A',  'B',  'C',  '1',  '2',  0x04, 0x33, 0x2E, 0x33,
                     0x56, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(SettingsFileTest, ModeRecordBytes) {
    SettingsData settings;
    settings.battery = -1;
    settings.modes.push_back(Mode("A", "", "F", 0x3F800000, 0x40000000, 0x40400000, 0x40800000));
    settings.modes[0].peripheralFlags[1] = 1;
    settings.modes[0].peripheralFlags[39] = 0x80;  // any non-zero flag is written as 1
    std::string flags(40, '\0');
    flags[1] = 1;
    flags[39] = 1;
    EXPECT_EQ(
        SerializeSettings(settings),
        Bytes({0, 0, 0,    0xFF, 0xFF, 0xFF, 0xFF, 1,    0, 0, 0,    1,    'A', 0, 1,    'F',
               0, 0, 0x80, 0x3F, 0,    0,    0,    0x40, 0, 0, 0x40, 0x40, 0,   0, 0x80, 0x40}) +
            flags);
}

TEST(SettingsFileTest, RoundTripsEveryFieldBitForBit) {
    SettingsData settings = ThreeModes();
    for (const std::size_t length : {0u, 254u, 255u, 300u, 70000u}) {
        std::string label(length, 'L');
        for (std::size_t i = 0; i < label.size(); ++i) {
            label[i] = static_cast<char>(0x80 + i % 128);  // 8-bit bytes kept as they are
        }
        settings.modes.push_back(Mode(label, label, label, 0, 0, 0, 0));
    }
    settings.modes.back().peripheralFlags.fill(1);
    settings.device = std::string(300, 'D');

    const std::string bytes = SerializeSettings(settings);
    const ParsedSettings parsed = ParseSettings(bytes);
    EXPECT_EQ(parsed.error, std::nullopt);
    EXPECT_EQ(parsed.device, settings.device);
    EXPECT_EQ(parsed.voltage, settings.voltage);
    EXPECT_EQ(parsed.temperature, settings.temperature);
    EXPECT_EQ(parsed.battery, 2);
    EXPECT_EQ(parsed.modeCount, 8);
    ASSERT_EQ(parsed.modes.size(), settings.modes.size());
    for (std::size_t i = 0; i < parsed.modes.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectSameMode(parsed.modes[i], settings.modes[i]);
    }

    SettingsData again;
    again.device = *parsed.device;
    again.voltage = *parsed.voltage;
    again.temperature = *parsed.temperature;
    again.battery = *parsed.battery;
    again.modes = parsed.modes;
    EXPECT_EQ(SerializeSettings(again), bytes);
}

TEST(SettingsFileTest, NonZeroFlagBytesReadAsOne) {
    SettingsData settings = ThreeModes();
    settings.modes.resize(1);
    std::string bytes = SerializeSettings(settings);
    const std::size_t flagsStart = bytes.size() - 40;
    bytes[flagsStart + 3] = static_cast<char>(0xFF);
    bytes[flagsStart + 20] = 7;
    const ParsedSettings parsed = ParseSettings(bytes);
    ASSERT_EQ(parsed.modes.size(), 1u);
    PeripheralFlags expected{};
    expected[1] = 1;
    expected[3] = 1;
    expected[20] = 1;
    EXPECT_EQ(parsed.modes[0].peripheralFlags, expected);
}

TEST(SettingsFileTest, ModeCountBounds) {
    SettingsData settings = ThreeModes();
    settings.modes.resize(1);
    const std::string header = Bytes({0x01, 'D', 0x01, 'V', 0x01, 'T'}) + Int32(0);
    SettingsData empty = settings;
    empty.modes.clear();
    const std::string record = SerializeSettings(settings).substr(SerializeSettings(empty).size());

    struct Case {
        const char* name;
        std::int32_t count;
        std::string after;
        std::size_t modes;
        std::optional<std::string> error;
    };
    const Case cases[] = {
        {"zero, trailing bytes ignored", 0, record + "junk", 0, std::nullopt},
        {"negative", -5, record, 0, std::nullopt},
        {"most negative", std::numeric_limits<std::int32_t>::min(), "", 0, std::nullopt},
        {"one, trailing bytes ignored", 1, record + record, 1, std::nullopt},
        {"huge count in a short file", std::numeric_limits<std::int32_t>::max(), record + record, 2,
         msg::kFileEndsEarly},
        {"count beyond the records", 3, record, 1, msg::kFileEndsEarly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedSettings parsed = ParseSettings(header + Int32(c.count) + c.after);
        EXPECT_EQ(parsed.modeCount, c.count);
        EXPECT_EQ(parsed.modes.size(), c.modes);
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_LE(parsed.modes.capacity(), 4u);
    }
}

TEST(SettingsFileTest, EveryTruncationKeepsExactlyTheCompleteFields) {
    const SettingsData settings = ThreeModes();
    const std::string bytes = SerializeSettings(settings);

    // Where each field ends, from the encodings of the parts.
    const std::size_t deviceEnd = 1 + settings.device.size();
    const std::size_t voltageEnd = deviceEnd + 1 + settings.voltage.size();
    const std::size_t temperatureEnd = voltageEnd + 1 + settings.temperature.size();
    const std::size_t batteryEnd = temperatureEnd + 4;
    const std::size_t countEnd = batteryEnd + 4;
    std::vector<std::size_t> recordEnds;
    std::size_t end = countEnd;
    for (const ModeRecord& mode : settings.modes) {
        end += 3 + mode.label.size() + mode.operatingMode.size() + mode.frequency.size() + 56;
        recordEnds.push_back(end);
    }
    ASSERT_EQ(end, bytes.size());

    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const ParsedSettings parsed = ParseSettings(std::string_view(bytes).substr(0, cut));
        EXPECT_EQ(parsed.error, cut == bytes.size()
                                    ? std::nullopt
                                    : std::optional<std::string>(msg::kFileEndsEarly));
        EXPECT_EQ(parsed.device.has_value(), cut >= deviceEnd);
        EXPECT_EQ(parsed.voltage.has_value(), cut >= voltageEnd);
        EXPECT_EQ(parsed.temperature.has_value(), cut >= temperatureEnd);
        EXPECT_EQ(parsed.battery.has_value(), cut >= batteryEnd);
        EXPECT_EQ(parsed.modeCount.has_value(), cut >= countEnd);
        std::size_t complete = 0;
        while (complete < recordEnds.size() && recordEnds[complete] <= cut) {
            ++complete;
        }
        ASSERT_EQ(parsed.modes.size(), complete);
        for (std::size_t i = 0; i < complete; ++i) {
            ExpectSameMode(parsed.modes[i], settings.modes[i]);
        }
    }
}

TEST(SettingsFileTest, BrokenFiles) {
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<std::string> device;
        const char* error;
    };
    const Case cases[] = {
        {"empty file", "", std::nullopt, msg::kFileEndsEarly},
        {"device length beyond the file", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
         std::nullopt, msg::kFileEndsEarly},
        {"device with an unreadable 64-bit length",
         Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                0xFF}),
         std::nullopt, msg::kBadStringLength},
        {"voltage with an unreadable 64-bit length",
         Bytes({0x01, 'X', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x00,
                0x00, 0x00, 0x00}),
         "X", msg::kBadStringLength},
        {"16-bit device text outside Latin-1, then the end",
         Bytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 0x01, 0x01}), "a?", msg::kFileEndsEarly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedSettings parsed = ParseSettings(c.bytes);
        EXPECT_EQ(parsed.device, c.device);
        EXPECT_EQ(parsed.voltage, std::nullopt);
        EXPECT_EQ(parsed.error, c.error);
    }
}

/// Accepts `limit` bytes, then fails every write.
class FailingBuffer : public std::streambuf {
public:
    explicit FailingBuffer(std::size_t limit) : limit_(limit) {}
    std::string written;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        if (written.size() >= limit_) {
            return traits_type::eof();
        }
        written.push_back(traits_type::to_char_type(c));
        return c;
    }

private:
    std::size_t limit_;
};

TEST(SettingsFileTest, WriteReportsAFailingStream) {
    const SettingsData settings = ThreeModes();
    const std::string bytes = SerializeSettings(settings);
    for (const std::size_t limit : {std::size_t{0}, std::size_t{1}, bytes.size() - 1}) {
        SCOPED_TRACE(limit);
        FailingBuffer buffer(limit);
        std::ostream out(&buffer);
        EXPECT_FALSE(WriteSettings(out, settings));
        EXPECT_EQ(buffer.written, bytes.substr(0, limit));
    }
    FailingBuffer roomy(bytes.size());
    std::ostream out(&roomy);
    EXPECT_TRUE(WriteSettings(out, settings));
    EXPECT_EQ(roomy.written, bytes);
}

TEST(SettingsFileTest, EnsureExtension) {
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        {"profile", ".set", "profile.set"},
        {"/tmp/profile", ".set", "/tmp/profile.set"},
        {"profile.v2", ".set", "profile.v2"},
        {"profile.set", ".set", "profile.set"},
        {"/tmp/a.b/profile", ".set", "/tmp/a.b/profile"},
        {"report", ".txt", "report.txt"},
        {"report.v2", ".txt", "report.v2"},
        {"profile.", ".set", "profile."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(EnsureExtension(c.path, c.extension).string(), c.expected);
    }
}

}  // namespace
}  // namespace runwell
