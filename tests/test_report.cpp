#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>

#include "persist/Report.h"

namespace runwell {
namespace {

const ReportCells kBatteryHeader = {"Description", "Capacity",    "Self-discharge", "Nominal V",
                                    "Max cont. I", "Max pulse I", "Notes"};
const ReportCells kModeHeader = {"Label",   "Mode",   "Frequency",  "Time",
                                 "Current", "Charge", "Peripherals"};

TEST(ReportTest, HeaderLines) {
    const std::string battery = ReportLine(kBatteryHeader, kBatteryColumns);
    EXPECT_EQ(battery,
              "Description       Capacity    Self-discharge        Nominal V      Max cont. I    "
              "Max pulse I    Notes");
    EXPECT_EQ(battery.size(), 102u);

    const std::string mode = ReportLine(kModeHeader, kModeColumns);
    EXPECT_EQ(mode,
              "Label     Mode        Frequency        Time           Current     Charge      "
              "Peripherals");
    EXPECT_EQ(mode.size(), 89u);
}

TEST(ReportTest, PaddingNeverCuts) {
    struct Case {
        const char* name;
        ReportCells cells;
        std::string expected;
    };
    const Case cases[] = {
        {"all empty", {}, std::string(97, ' ')},
        {"17 characters: one blank",
         {"Lithium CR2032 3V", "225 mAh", "", "", "", "", ""},
         "Lithium CR2032 3V 225 mAh" + std::string(97 - 25, ' ')},
        {"18 characters: none",
         {"Lithium CR2450 3 V", "620 mAh", "", "", "", "", ""},
         "Lithium CR2450 3 V620 mAh" + std::string(97 - 25, ' ')},
        {"a long cell pushes the rest along",
         {std::string(40, 'D'), "C", "S", "V", "I", "P", "N"},
         std::string(40, 'D') + "CS" + std::string(10, ' ') + "V" + std::string(14, ' ') + "I" +
             std::string(14, ' ') + "P" + std::string(14, ' ') + "N"},
        {"a cell over two columns",
         {"", std::string(100, 'x'), "", "", "", "", "notes"},
         std::string(18, ' ') + std::string(100, 'x') + "notes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReportLine(c.cells, kBatteryColumns), c.expected);
    }
}

TEST(ReportTest, CleansResultTexts) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"1.5 uA", "1.5 uA"},
        {"33.5 uA\r\n(> cont. battery current)", "33.5 uA (> cont. battery current)"},
        {"a\rb", "a b"},
        {"a\nb", "ab"},
        {"\n\r\r\n", "  "},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CleanResultText(c.text), c.expected);
    }
}

ReportContent EmptyProfile() {
    ReportContent content;
    content.device = "MCU430X2";
    content.voltage = "3.3V";
    content.temperature = "25C";
    content.battery = {
        "Lithium CR2032 3V", "225 mAh", "1 %/month (3.125 nA)", "3.0 V", "3 mA", "15 mA",
        "coin cell"};
    content.batteryLife = "?";
    content.averageCurrent = "0 nA";
    content.peakCurrent = "0 nA";
    return content;
}

TEST(ReportTest, EmptyProfileGolden) {
    const std::string expected =
        "DEVICE\r\n"
        "\r\n"
        "Device : MCU430X2\r\n"
        "Voltage : 3.3V\r\n"
        "Temperature : 25C\r\n"
        "\r\n"
        "BATTERY\r\n"
        "\r\n"
        "Description       Capacity    Self-discharge        Nominal V      Max cont. I    "
        "Max pulse I    Notes\r\n"
        "Lithium CR2032 3V 225 mAh     1 %/month (3.125 nA)  3.0 V          3 mA           "
        "15 mA          coin cell\r\n"
        "\r\n"
        "MODES\r\n"
        "\r\n"
        "Label     Mode        Frequency        Time           Current     Charge      "
        "Peripherals\r\n"
        "\r\n"
        "RESULT\r\n"
        "\r\n"
        "Battery Life : ?\r\n"
        "Average Current : 0 nA\r\n"
        "Peak Current : 0 nA\r\n"
        "\r\n"
        "NOTES\r\n"
        "\r\n";
    EXPECT_EQ(FormatReport(EmptyProfile()), expected);
}

TEST(ReportTest, FullProfileGolden) {
    ReportContent content = EmptyProfile();
    content.battery = {
        "Lithium CR2450 3 V", "620 mAh", "1 %/month (8.611 nA)", "3.0 V", "", "", "*"};
    content.modes = {
        {"Sleep", "LPM3", "32KHZ", "990 mS (99.0%)", "1.5 uA", "1.485 nAh", "RTC,WDT"},
        {"Transmitting", "ACTIVE", "8MHZ", "10 mS (1.0%)", "3.2 mA", "8.889 nAh", ""},
    };
    content.batteryLife = "0 years 74 days 2 hours";
    content.averageCurrent = "33.5 uA (> cont. battery current)";
    content.peakCurrent = "3.2 mA\r\n(> pulse battery current)";
    content.notes = "Data at 25C.\r\nSee the data sheet.";
    const std::string expected =
        "DEVICE\r\n"
        "\r\n"
        "Device : MCU430X2\r\n"
        "Voltage : 3.3V\r\n"
        "Temperature : 25C\r\n"
        "\r\n"
        "BATTERY\r\n"
        "\r\n"
        "Description       Capacity    Self-discharge        Nominal V      Max cont. I    "
        "Max pulse I    Notes\r\n"
        "Lithium CR2450 3 V620 mAh     1 %/month (8.611 nA)  3.0 V                         "
        "               *\r\n"
        "\r\n"
        "MODES\r\n"
        "\r\n"
        "Label     Mode        Frequency        Time           Current     Charge      "
        "Peripherals\r\n"
        "Sleep     LPM3        32KHZ            990 mS (99.0%) 1.5 uA      1.485 nAh   RTC,WDT\r\n"
        "TransmittingACTIVE    8MHZ             10 mS (1.0%)   3.2 mA      8.889 nAh   \r\n"
        "\r\n"
        "RESULT\r\n"
        "\r\n"
        "Battery Life : 0 years 74 days 2 hours\r\n"
        "Average Current : 33.5 uA (> cont. battery current)\r\n"
        "Peak Current : 3.2 mA (> pulse battery current)\r\n"
        "\r\n"
        "NOTES\r\n"
        "\r\n"
        "Data at 25C.\r\nSee the data sheet.";
    EXPECT_EQ(FormatReport(content), expected);
}

TEST(ReportTest, NoBatteryWritesEmptyCells) {
    ReportContent content = EmptyProfile();
    content.battery = {};
    const std::string report = FormatReport(content);
    const std::string line = "\r\n" + std::string(97, ' ') + "\r\n\r\nMODES\r\n";
    EXPECT_NE(report.find(line), std::string::npos);
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

TEST(ReportTest, WriteReportsAFailingStream) {
    const ReportContent content = EmptyProfile();
    const std::string report = FormatReport(content);
    FailingBuffer failing(100);
    std::ostream out(&failing);
    EXPECT_FALSE(WriteReport(out, content));
    EXPECT_EQ(failing.written, report.substr(0, 100));

    std::ostringstream whole;
    EXPECT_TRUE(WriteReport(whole, content));
    EXPECT_EQ(whole.str(), report);
}

}  // namespace
}  // namespace runwell
