// The fast paths for large inputs, each held to the general path it replaces: the block-wise line
// reader, the device file's direct integer reads, the three-decimal shortcut of the quantity
// formats.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "ScratchFolder.h"
#include "base/Numbers.h"
#include "base/Text.h"
#include "device/DeviceFile.h"
#include "estimate/Format.h"
#include "platform/FileRead.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

template <typename Reader>
std::vector<std::string> LinesOf(Reader&& reader) {
    std::vector<std::string> lines;
    for (std::string_view line; reader.Next(line);) {
        lines.emplace_back(line);
        EXPECT_EQ(reader.lineNumber(), static_cast<int>(lines.size()));
    }
    return lines;
}

TEST(FileLineReader, ReadsAsTheWholeTextReadsAcrossBlockEnds) {
    const ScratchFolder folder;
    const std::size_t block = FileLineReader::kDefaultBlock;
    std::vector<std::string> texts = {"",     "a",    "a\n",    "a\r",
                                      "\r\n", "\n\n", "a\r\nb", "a\rb\n\rc\r\r\n"};
    texts.push_back(std::string(1000, 'x') + "\r\ny");
    texts.push_back(std::string(block - 1, 'a') + "\r\nb");  // CR ends a block, LF starts the next
    texts.push_back(std::string(block - 3, 'a') + "\n" + std::string(block + 5, 'b') + "\r\nc\n");
    texts.push_back(std::string(block, 'a'));  // a last line of exactly one block, without LF
    for (const std::size_t size : {std::size_t{2}, std::size_t{3}, std::size_t{64}, block}) {
        for (std::size_t t = 0; t < (size == block ? texts.size() : 9u); ++t) {
            FileLineReader reader(folder.Put("t.txt", texts[t]), size);
            EXPECT_EQ(LinesOf(reader), LinesOf(LineReader(texts[t])))
                << "block " << size << ", text " << t;
            EXPECT_FALSE(reader.failed());
        }
    }
}

TEST(DeviceFileFastPath, ALargeFileLoadsAsItsContentParsesFromAFileOrAPipe) {
    const ScratchFolder folder;
    std::string content = "BIG\r\n\"Notes, quoted\"\r\nMode,Voltage,Temperature,Frequency,Base\r\n";
    for (int i = 0; i < 6000; ++i) {  // rows crossing many blocks, every 97th with base value 0
        content += (i % 3 != 0 ? "Sleep,3.3v,,," : "run,3.3V,,,") + std::to_string(i % 7) + "c,f" +
                   std::to_string(i) + (i % 97 != 0 ? "," + std::to_string(1000 + i) : ",0");
        for (int k = 1; k < 44; ++k) {
            content += "," + std::to_string(i * k % 100000);
        }
        content += i % 2 != 0 ? "\n" : (i % 500 == 0 ? "\r\nrun,3.3V,25C,8MHZ\r\n" : "\r\n");
    }
    content += ",,,\r\n";  // the end of the table; the pipe's writer stops here
    const Result<DeviceData> parsed = ParseDeviceData(content + "RUN,5V,85C,1MHZ,3\r\n", "big.csv");
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_EQ(parsed->rows.size(), 6000u - 62u);
#ifdef _WIN32
    // No named pipes in the file system here: a file ending with the table stands in for one.
    const Result<DeviceData> fromPipe = LoadDeviceFile(folder.Put("pipe.csv", content));
#else
    const fs::path pipe = folder / "pipe.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << content; });
    const Result<DeviceData> fromPipe = LoadDeviceFile(pipe);  // read in one pass
    writer.join();
#endif
    const Result<DeviceData> fromFile =
        LoadDeviceFile(folder.Put("big.csv", content + "RUN,5\r\n"));
    ASSERT_TRUE(fromFile.ok() && fromPipe.ok());
    EXPECT_EQ(fromFile->rows.capacity(), fromFile->rows.size());  // the count matched the parse
    for (const DeviceData* loaded : {&*fromFile, &*fromPipe}) {
        ASSERT_EQ(loaded->rows.size(), parsed->rows.size());
        for (std::size_t i = 0; i < parsed->rows.size(); ++i) {
            ASSERT_EQ(loaded->rows[i].values, parsed->rows[i].values) << "row " << i;
        }
    }
}

TEST(FastIntegerRead, EveryFieldReadsAsReadIntegerReadsIt) {
    // Digits of every length up to 11 (around the 7-digit chunk read and the 32-bit limit), with
    // signs, blanks, letters and 8-bit bytes before and after; '/' and ':' border the digits.
    std::vector<std::string> fields = {"-", "+", " ", "\xFA", "1\xFA\x39", "2147483647"};
    for (const char* prefix : {"", "-", "+", " ", "\t", "0", "x"}) {
        for (const char* digits : {"98765432109", "99999999999", "21474836489"}) {
            for (std::size_t n = 1; n <= 11; ++n) {
                for (const char* suffix : {"", " ", "x", ".5", "\xFA", "\xFF", "/", ":"}) {
                    fields.push_back(prefix + std::string(digits, n) + suffix);
                }
            }
        }
    }
    std::string content = "D\nNotes\nMode,Voltage,Temperature,Frequency,Base,A,B\n";
    std::vector<std::pair<std::string, std::array<std::int32_t, kMaxEntries>>> expected;
    for (const std::string& field : fields) {
        const std::int32_t value = ReadInteger(field);
        content += "R,V,T,F,1," + field + ",,," + field + "\nR,V,T,F," + field + ",1\r\n";
        expected.push_back({field, {1, value, value}});
        if (value != 0) {  // a base value of 0 drops the line
            expected.push_back({field, {value, 1}});
        }
    }
    const Result<DeviceData> device = ParseDeviceData(content, "values.csv");
    ASSERT_TRUE(device.ok()) << device.error().message;
    ASSERT_EQ(device->rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(device->rows[i].values, expected[i].second) << "field " << expected[i].first;
    }
}

/// FormatCurrent written with the general conversion.
std::string CurrentAsGeneral(float value) {
    const auto scaled = [&](double divisor, const char* unit) {
        return FormatTrimmed(NarrowToFloat(static_cast<double>(value) / divisor), 3) + unit;
    };
    return value > 1e5f     ? scaled(1e6, " mA")
           : value > 100.0f ? scaled(1e3, " uA")
                            : std::to_string(SaturateToInt32(value)) + " nA";
}

TEST(FormatShortcut, AgreesWithTheGeneralConversion) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7FFFFFFF);
    std::uniform_real_distribution<float> exponent(0.0f, 20.0f);
    const float edges[] = {0.0f, 100.0f, 100.00001f, 99.99999f, 1e5f, 100000.01f, 1e18f, -1e9f};
    for (int i = 0; i < 200000 && !HasFailure(); ++i) {
        // Every bit pattern (NaN, subnormals; an infinity is too rare to draw) with both signs,
        // 10^0 to 10^20, and odd multiples of 1/16, whose thousandths digit is followed by
        // exactly 5: ties.
        for (const float value :
             {std::bit_cast<float>(bits(random) | (i % 2 == 0 ? 0u : 0x80000000u)),
              std::pow(10.0f, exponent(random)),
              static_cast<float>(2 * i + 1) / 16.0f * (i % 2 == 0 ? 1e3f : 1e6f), edges[i % 8]}) {
            EXPECT_EQ(FormatCurrent(value), CurrentAsGeneral(value))
                << std::bit_cast<std::uint32_t>(value);
        }
    }
}

}  // namespace
}  // namespace runwell
