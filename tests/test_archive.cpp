#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "model/Messages.h"
#include "persist/Archive.h"

// Records the largest single allocation, so a test can show that a hostile length prefix was
// never used to allocate.
namespace {
std::size_t g_largestAllocation = 0;
}

void* operator new(std::size_t size) {
    if (size > g_largestAllocation) {
        g_largestAllocation = size;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace runwell {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) {
        bytes.push_back(static_cast<char>(v));
    }
    return bytes;
}

std::string Prefix(std::size_t length) {
    ArchiveWriter writer;
    writer.WriteString(std::string(length, 'x'));
    return writer.bytes().substr(0, writer.bytes().size() - length);
}

/// 16-bit characters as UTF-16LE bytes.
std::string Wide(std::initializer_list<std::uint16_t> units) {
    std::string bytes;
    for (const std::uint16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

struct PrefixCase {
    std::size_t length;
    std::string prefix;
};

TEST(ArchiveTest, StringPrefixesAtEveryBoundary) {
    const PrefixCase cases[] = {
        {0, Bytes({0x00})},
        {4, Bytes({0x04})},
        {254, Bytes({0xFE})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {300, Bytes({0xFF, 0x2C, 0x01})},
        {65533, Bytes({0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {65535, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const PrefixCase& c : cases) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(Prefix(c.length), c.prefix);

        std::string text(c.length, 'a');
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char>(i * 7);  // every byte value, NUL included
        }
        ArchiveWriter writer;
        writer.WriteString(text);
        ArchiveReader reader(writer.bytes());
        EXPECT_EQ(reader.ReadString(), text);
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(reader.remaining(), 0u);
    }
}

TEST(ArchiveTest, WritesTextBytesAfterThePrefix) {
    ArchiveWriter writer;
    writer.WriteString("3.3V");
    EXPECT_EQ(writer.bytes(), Bytes({0x04, 0x33, 0x2E, 0x33, 0x56}));
}

TEST(ArchiveTest, NumbersAreLittleEndian) {
    ArchiveWriter writer;
    writer.WriteInt32(-2);
    writer.WriteInt32(0x01020304);
    writer.WriteFloat(1.0f);
    writer.WriteUint16(0xABCD);
    writer.WriteByte(0x7F);
    EXPECT_EQ(writer.bytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00,
                                     0x80, 0x3F, 0xCD, 0xAB, 0x7F}));

    ArchiveReader reader(writer.bytes());
    EXPECT_EQ(reader.ReadInt32(), -2);
    EXPECT_EQ(reader.ReadInt32(), 0x01020304);
    EXPECT_EQ(reader.ReadFloat(), 1.0f);
    EXPECT_EQ(reader.ReadByte(), 0xCD);
    EXPECT_EQ(reader.ReadByte(), 0xAB);
    EXPECT_EQ(reader.ReadByte(), 0x7F);
    EXPECT_FALSE(reader.failed());
}

TEST(ArchiveTest, FloatsRoundTripBitForBit) {
    const std::uint32_t patterns[] = {
        0x00000000,  // +0
        0x80000000,  // -0
        0x00000001,  // smallest denormal
        0x807FFFFF,  // largest negative denormal
        0x7F800000,  // +infinity
        0xFF800000,  // -infinity
        0x7FC00000,  // quiet NaN
        0x7FC12345,  // quiet NaN with a payload
        0x7F800001,  // signalling NaN
        0xFFFFFFFF,  // negative NaN, all payload bits
        0x3F800000,  // 1
    };
    ArchiveWriter writer;
    for (const std::uint32_t bits : patterns) {
        writer.WriteFloat(std::bit_cast<float>(bits));
    }
    ArchiveReader reader(writer.bytes());
    for (const std::uint32_t bits : patterns) {
        const auto value = reader.ReadFloat();
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(std::bit_cast<std::uint32_t>(*value), bits);
    }
    EXPECT_EQ(reader.remaining(), 0u);
}

struct ReadCase {
    const char* name;
    std::string bytes;
    std::string expected;
};

TEST(ArchiveTest, ReadsSixteenBitCharacterStringsAsLatin1) {
    const std::string longUnits = [] {
        std::string units;
        for (int i = 0; i < 300; ++i) {
            units += Wide({static_cast<std::uint16_t>('a' + i % 26)});
        }
        return units;
    }();
    const std::string longText = [] {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            text.push_back(static_cast<char>('a' + i % 26));
        }
        return text;
    }();
    const ReadCase cases[] = {
        {"ascii", Bytes({0xFF, 0xFE, 0xFF, 0x03}) + Wide({'a', 'b', 'c'}), "abc"},
        {"empty", Bytes({0xFF, 0xFE, 0xFF, 0x00}), ""},
        {"latin1", Bytes({0xFF, 0xFE, 0xFF, 0x02}) + Wide({0x00E9, 0x00FF}), "\xE9\xFF"},
        {"outside latin1", Bytes({0xFF, 0xFE, 0xFF, 0x03}) + Wide({'1', 0x20AC, '2'}), "1?2"},
        {"surrogate pair", Bytes({0xFF, 0xFE, 0xFF, 0x02}) + Wide({0xD83D, 0xDE00}), "??"},
        {"escaped length", Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}) + longUnits, longText},
        {"32-bit length",
         Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00}) + Wide({'z'}), "z"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = c.bytes + "tail";
        ArchiveReader reader(bytes);
        EXPECT_EQ(reader.ReadString(), c.expected);
        EXPECT_EQ(reader.error(), "");
        EXPECT_EQ(reader.remaining(), 4u);
    }
}

std::string LongPrefix(std::uint32_t low, std::uint32_t high) {
    ArchiveWriter writer;
    writer.WriteByte(0xFF);
    writer.WriteUint16(0xFFFF);
    writer.WriteUint32(0xFFFFFFFF);
    writer.WriteUint32(low);
    writer.WriteUint32(high);
    return writer.take();
}

struct FailCase {
    const char* name;
    std::string bytes;
    const char* error;
};

TEST(ArchiveTest, BrokenStringsFailWithoutAllocating) {
    const FailCase cases[] = {
        {"empty data", "", msg::kFileEndsEarly},
        {"text cut short", Bytes({0x05}) + "abcd", msg::kFileEndsEarly},
        {"16-bit length cut short", Bytes({0xFF, 0x2C}), msg::kFileEndsEarly},
        {"32-bit length 2^31-1", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + "abc",
         msg::kFileEndsEarly},
        {"32-bit length 2^32-2", Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}) + "abc",
         msg::kFileEndsEarly},
        {"64-bit length cut short", LongPrefix(3, 0).substr(0, 10), msg::kFileEndsEarly},
        {"64-bit length 2^31-1", LongPrefix(0x7FFFFFFF, 0) + "abc", msg::kFileEndsEarly},
        {"64-bit length 2^31", LongPrefix(0x80000000, 0) + "abc", msg::kBadStringLength},
        {"64-bit length high half", LongPrefix(3, 1) + "abc", msg::kBadStringLength},
        {"64-bit length 2^64-1", LongPrefix(0xFFFFFFFF, 0xFFFFFFFF) + "abc", msg::kBadStringLength},
        {"16-bit characters cut short", Bytes({0xFF, 0xFE, 0xFF, 0x02}) + Wide({'a'}) + "b",
         msg::kFileEndsEarly},
        {"16-bit characters 2^31-1",
         Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + Wide({'a'}),
         msg::kFileEndsEarly},
        {"16-bit characters, second prefix missing", Bytes({0xFF, 0xFE, 0xFF}),
         msg::kFileEndsEarly},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        ArchiveReader reader(c.bytes);
        g_largestAllocation = 0;
        EXPECT_EQ(reader.ReadString(), std::nullopt);
        EXPECT_LT(g_largestAllocation, 4096u);
        EXPECT_EQ(reader.error(), c.error);
    }
}

TEST(ArchiveTest, ReadsAValidSixtyFourBitLength) {
    const std::string bytes = LongPrefix(3, 0) + "abc!";
    ArchiveReader reader(bytes);
    EXPECT_EQ(reader.ReadString(), "abc");
    EXPECT_EQ(reader.ReadByte(), '!');
    EXPECT_FALSE(reader.failed());
}

TEST(ArchiveTest, NumbersPastTheEndFail) {
    // The reader views the bytes, so they must outlive it.
    const std::string three = Bytes({1, 2, 3});
    ArchiveReader ints(three);
    EXPECT_EQ(ints.ReadInt32(), std::nullopt);
    EXPECT_EQ(ints.error(), msg::kFileEndsEarly);

    ArchiveReader floats(three);
    EXPECT_EQ(floats.ReadFloat(), std::nullopt);
    EXPECT_EQ(floats.error(), msg::kFileEndsEarly);

    ArchiveReader bytes{std::string_view()};
    EXPECT_EQ(bytes.ReadByte(), std::nullopt);
    EXPECT_EQ(bytes.error(), msg::kFileEndsEarly);
}

TEST(ArchiveTest, AFailureIsFinal) {
    // The bad length fails first; the bytes after it are never read, and the first message stays.
    const std::string bytes = LongPrefix(0, 1) + Bytes({0x01, 'a', 0x00, 0x00, 0x00, 0x00});
    ArchiveReader reader(bytes);
    EXPECT_EQ(reader.ReadString(), std::nullopt);
    EXPECT_EQ(reader.ReadString(), std::nullopt);
    EXPECT_EQ(reader.ReadInt32(), std::nullopt);
    EXPECT_EQ(reader.ReadFloat(), std::nullopt);
    EXPECT_EQ(reader.ReadByte(), std::nullopt);
    EXPECT_EQ(reader.error(), msg::kBadStringLength);
}

}  // namespace
}  // namespace runwell
