// The text profile (ProfileJson): lossless against every settings file a load reads completely,
// and refusing broken profiles with a message that names the key. Tables under fixtures/profile.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TableFile.h"
#include "exchange/ProfileJson.h"
#include "files/Archive.h"
#include "files/SettingsFile.h"
#include "files/SettingsImage.h"
#include "platform/FileRead.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = RUNWELL_SOURCE_DIR;
const fs::path kFixtures = fs::path(RUNWELL_FIXTURES);

std::string ReadBytes(const fs::path& path) {
    return ReadWholeFile(path).value_or("");
}

/// Export, then import: the settings reader's verdict decides whether the export must succeed,
/// and a successful one must come back byte for byte.
void ExpectRoundTrip(const std::string& bytes, const std::string& what) {
    const ParsedSettings parsed = ParseSettings(bytes);
    const Result<std::string> profile = ExportProfileJson(bytes);
    if (parsed.error) {
        ASSERT_FALSE(profile.ok()) << what;
        EXPECT_EQ(*parsed.error, profile.error().message) << what;
        return;
    }
    ASSERT_TRUE(profile.ok()) << what << ": " << profile.error().message;
    const Result<std::string> back = ImportProfileJson(*profile);
    ASSERT_TRUE(back.ok()) << what << ": " << back.error().message << "\n" << *profile;
    EXPECT_EQ(bytes, *back) << what;
}

TEST(ProfileJsonTest, RoundTripsEverySettingsFixtureAndFuzzSeed) {
    std::vector<fs::path> files;
    for (const fs::path& root : {kSource / "tests", kSource / "fuzz/corpus/fuzz_settings"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && (entry.path().extension() == ".set" ||
                                            root.filename() == "fuzz_settings")) {
                files.push_back(entry.path());
            }
        }
    }
    ASSERT_GE(files.size(), 15u);
    for (const fs::path& file : files) {
        const std::string bytes = ReadBytes(file);
        ExpectRoundTrip(bytes, file.string());
        // Bytes after the last record are kept as they are; every cut-off point either reads
        // completely or is refused with the reader's own message.
        ExpectRoundTrip(bytes + std::string("\x00\xFF tail", 7), file.string() + " + tail");
        if (bytes.size() < 4096) {
            for (std::size_t keep = 0; keep < bytes.size(); ++keep) {
                ExpectRoundTrip(bytes.substr(0, keep), file.string() + " cut at " +
                                                           std::to_string(keep));
            }
        }
    }
}

/// A settings file with `text` as device, voltage, temperature and as every text of one mode.
std::string FileWithText(const std::string& text, std::int32_t modeCount = 1) {
    ArchiveWriter writer;
    for (int i = 0; i < 3; ++i) {
        writer.WriteBytes(text);
    }
    writer.WriteInt32(-7);
    writer.WriteInt32(modeCount);
    for (std::int32_t m = 0; m < modeCount; ++m) {
        for (int i = 0; i < 3; ++i) {
            writer.WriteBytes(text);
        }
        for (std::uint32_t bits : {0x7FC12345u, 0x80000000u, 0x00000001u, 0xFF800000u}) {
            writer.WriteUint32(bits);
        }
        for (std::uint8_t k = 0; k < 40; ++k) {
            writer.WriteByte(static_cast<std::uint8_t>(k * 7));  // 0, 1 and other bytes
        }
    }
    return writer.take();
}

TEST(ProfileJsonTest, KeepsEveryLengthFormAndCharacterWidthTheReaderAccepts) {
    // Every stored string the reader tables hold, in every text field of a file.
    for (const auto& row : ReadTable(kFixtures / "settings/string_reads.tsv")) {
        ASSERT_EQ(row.size(), 4u);
        ExpectRoundTrip(FileWithText(row[1]), row[0]);
    }
    // Every byte value in a text, and lengths at each width's limits, in their narrowest form
    // and in 16-bit characters with a 16-bit length of 65534, which only follows the marker.
    std::string allBytes;
    for (int b = 0; b < 256; ++b) {
        allBytes.push_back(static_cast<char>(b));
    }
    for (const std::size_t length : {std::size_t{254}, std::size_t{255}, std::size_t{65533},
                                     std::size_t{65534}, std::size_t{70000}}) {
        ArchiveWriter text;
        text.WriteString(std::string(length, 'x'));
        ExpectRoundTrip(FileWithText(text.bytes()), "length " + std::to_string(length));
    }
    ArchiveWriter bytes;
    bytes.WriteString(allBytes);
    ExpectRoundTrip(FileWithText(bytes.bytes(), 3), "all bytes");
    ArchiveWriter wide;
    wide.WriteString(ArchiveString{std::string(2 * 65534, 'y'), LengthWidth::Bits16, true});
    ExpectRoundTrip(FileWithText(wide.bytes()), "16-bit characters, length 65534");
    // Counts of 0 and less read no records.
    ExpectRoundTrip(FileWithText(std::string(1, '\0'), 0), "no modes");
    ExpectRoundTrip(FileWithText(std::string(1, '\0'), -3) + "ignored", "negative count");
}

TEST(ProfileJsonTest, FloatsSurviveBitForBitAndFiniteOnesAreNumbers) {
    SettingsImage image;
    image.modes.resize(1);
    image.modeCount = 1;
    std::uint32_t state = 12345;
    std::vector<std::uint32_t> patterns = {0x00000000, 0x80000000, 0x00000001, 0x007FFFFF,
                                           0x00800000, 0x7F7FFFFF, 0xFF7FFFFF, 0x7F800000,
                                           0xFF800000, 0x7FC00000, 0x7F800001, 0xFFFFFFFF,
                                           0x3DCCCCCD, 0x4B189680, 0x3F800001};
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        patterns.push_back(state);
    }
    for (const std::uint32_t bits : patterns) {
        image.modes[0].duration = bits;
        const std::string text = ProfileJsonOf(image);
        const Result<SettingsImage> back = ParseProfileJson(text);
        ASSERT_TRUE(back.ok()) << back.error().message;
        ASSERT_EQ(bits, back->modes[0].duration) << text;
        const bool finite = std::isfinite(std::bit_cast<float>(bits));
        ASSERT_EQ(finite, text.find("\"duration\": \"0x") == std::string::npos) << text;
    }
}

TEST(ProfileJsonTest, RefusesBrokenProfilesNamingTheKey) {
    const auto rows = ReadTable(kFixtures / "profile/broken.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 3u) << row[0];
        const Result<std::string> imported = ImportProfileJson(row[1]);
        ASSERT_FALSE(imported.ok()) << row[0];
        EXPECT_EQ(row[2], imported.error().message) << row[0];
    }
    // A 16-bit length of 65534 is the marker of 16-bit characters unless it follows it.
    const std::string text = "{\"format\": \"runwell-profile\", \"version\": 1, \"device\": "
                             "{\"text\": \"" + std::string(65534, 'x') +
                             "\", \"lengthBits\": 16}, \"voltage\": \"B\", \"temperature\": "
                             "\"C\", \"battery\": 0, \"modes\": []}";
    const Result<std::string> imported = ImportProfileJson(text);
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ("device: a length of 65534 characters cannot be stored in 16 bits",
              imported.error().message);
}

TEST(ProfileJsonTest, TheDocumentedExampleIsAProfile) {
    const std::string doc = ReadBytes(kSource / "docs/profile-format.md");
    const std::size_t start = doc.find("```json\n");
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = doc.find("```", start + 8);
    const std::string example = doc.substr(start + 8, end - start - 8);
    const Result<std::string> settings = ImportProfileJson(example);
    ASSERT_TRUE(settings.ok()) << settings.error().message;
    const ParsedSettings parsed = ParseSettings(*settings);
    EXPECT_FALSE(parsed.error.has_value());
    ASSERT_EQ(parsed.modes.size(), 2u);
    EXPECT_EQ(parsed.modes[1].label, "Capteur \xE9t\xE9");  // Latin-1 bytes
}

}  // namespace
}  // namespace runwell

// Documents shaped to exhaust memory or time are refused where they first go wrong, without the
// whole document being built: the modes are read one at a time, unknown keys' values are
// skipped, and a key given twice is found by hashing however many keys an object holds.
TEST(ProfileJsonTest, HostileShapesAreRefusedWhereTheyGoWrong) {
    const std::string head = "{\"format\": \"runwell-profile\", \"version\": 1, \"device\": "
                             "\"A\", \"voltage\": \"B\", \"temperature\": \"C\", \"battery\": 0";
    std::string emptyModes = head + ", \"modes\": [{}";
    for (int i = 0; i < 2000000; ++i) {
        emptyModes += ",{}";
    }
    emptyModes += "]}";
    std::string manyKeys = "{";
    for (int i = 0; i < 200000; ++i) {
        manyKeys += "\"k" + std::to_string(i) + "\": 0, ";
    }
    manyKeys += "\"k0\": 1}";
    std::string junk = head + ", \"modes\": [], \"junk\": [";
    for (int i = 0; i < 1000000; ++i) {
        junk += "{},";
    }
    junk += "{}]}";
    std::string bigMode = head + ", \"modes\": [{\"peripheralFlags\": [0";
    for (int i = 0; i < 100000; ++i) {
        bigMode += ",0";
    }
    bigMode += "]}]}";
    const std::string escapes = head + ", \"modes\": [], \"\\u001b[2J" + std::string(100, 'x') +
                                "\": 0}";
    const struct {
        const char* name;
        const std::string& text;
        std::string message;
    } cases[] = {
        {"two million empty modes", emptyModes, "modes[0]: the key 'label' is missing"},
        {"a key repeated after 200,000 others", manyKeys, "the key 'k0' is given twice"},
        {"a million values under an unknown key", junk, "unknown key 'junk'"},
        {"a mode of 100,001 values", bigMode,
         "modes[0]: holds more values than a profile ever does"},
        {"a long key with a terminal escape", escapes,
         "unknown key '\\x1B[2J" + std::string(56, 'x') + "...'"},
    };
    for (const auto& c : cases) {
        const runwell::Result<std::string> imported = runwell::ImportProfileJson(c.text);
        ASSERT_FALSE(imported.ok()) << c.name;
        EXPECT_EQ(c.message, imported.error().message) << c.name;
    }
}
