#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace runwell {

/// The width of the number a string's length is written as: 8 bits (lengths below 255), or 16,
/// 32 or 64 bits after the escapes. The writer picks the narrowest; a reader accepts any width
/// that can hold the length.
enum class LengthWidth : std::uint8_t { Bits8 = 8, Bits16 = 16, Bits32 = 32, Bits64 = 64 };

/// A string exactly as it is stored, so it can be written back byte for byte: the characters,
/// the width of its length, and whether it is a string of 16-bit characters (marker 0xFF 0xFFFE
/// before the length). For a 16-bit string `bytes` holds the characters' 2 x n bytes, UTF-16LE.
struct ArchiveString {
    std::string bytes;
    LengthWidth width = LengthWidth::Bits8;
    bool wide = false;

    /// The number of characters the length counts.
    std::uint64_t length() const { return wide ? bytes.size() / 2 : bytes.size(); }
    friend bool operator==(const ArchiveString&, const ArchiveString&) = default;
};

/// The width the writer uses for a length.
LengthWidth NarrowestWidth(std::uint64_t length);
/// Whether a reader reads `length` back from a length of that width: 8 bits hold up to 254, 16
/// bits up to 65534 except that 65534 (0xFFFE) announces 16-bit characters unless it follows
/// that marker, 32 bits up to 4294967294, 64 bits up to 2147483647 (the reader's own limit).
bool WidthHolds(LengthWidth width, std::uint64_t length, bool afterWideMarker);
/// The 8-bit text a reader makes of a stored string (see ArchiveReader).
std::string TextOf(const ArchiveString& stored);

/// Appends the settings file's encodings to a byte string: little-endian integers and floats
/// (bit for bit), and length-prefixed 8-bit strings (one byte below 255; 0xFF and a 16-bit length
/// below 65534; 0xFF, 0xFFFF and a 32-bit length beyond). Only a text of 4 GiB or more would need
/// the 64-bit form (0xFF, 0xFFFF, 0xFFFFFFFF and a 64-bit length); it is written for completeness
/// and no text of the system comes near it.
class ArchiveWriter {
public:
    void WriteString(std::string_view text);
    /// Writes the string in exactly its stored form; WidthHolds must be true for its length.
    void WriteString(const ArchiveString& stored);
    void WriteInt32(std::int32_t value);
    void WriteUint16(std::uint16_t value);
    void WriteUint32(std::uint32_t value);
    void WriteFloat(float value);
    void WriteByte(std::uint8_t value);
    /// Bytes as they are, without a length.
    void WriteBytes(std::string_view bytes) { bytes_.append(bytes); }
    /// Makes room for `count` bytes in all, so a large archive is not copied while it grows.
    void Reserve(std::size_t count) { bytes_.reserve(count); }
    const std::string& bytes() const { return bytes_; }
    std::string&& take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

/// Reads what ArchiveWriter writes, and also the 16-bit character strings (0xFF 0xFFFE, then a
/// length in the same escaped form, then 2 bytes per character, UTF-16LE) and 64-bit lengths
/// after 0xFFFFFFFF. A 16-bit character string becomes 8-bit text as Latin-1: a unit below 256 is
/// that byte, any other unit (also each half of a surrogate pair) becomes '?'.
/// Every read fails (and every later read too) once the data ends early or holds a length that
/// cannot be read; error() then holds the message to show. A 64-bit length must fit in 31 bits.
/// No length is trusted beyond the bytes that remain, so a hostile prefix never allocates.
class ArchiveReader {
public:
    /// The reader views `bytes`, which must outlive it.
    explicit ArchiveReader(std::string_view bytes) : rest_(bytes) {}
    explicit ArchiveReader(std::string&&) = delete;

    std::optional<std::string> ReadString();
    /// The next string exactly as it is stored.
    std::optional<ArchiveString> ReadStoredString();
    std::optional<std::int32_t> ReadInt32();
    std::optional<float> ReadFloat();
    std::optional<std::uint8_t> ReadByte();
    std::optional<std::uint32_t> ReadUint32();
    /// The next `count` bytes as they are (a view into the data), or nothing when fewer remain.
    std::optional<std::string_view> ReadBytes(std::size_t count);

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    std::size_t remaining() const { return rest_.size(); }

private:
    bool Take(std::size_t count, std::string_view& out);
    /// The length prefix of a string; `wide` is set when it announced 16-bit characters.
    std::optional<std::uint64_t> ReadLength(bool& wide, LengthWidth& width);
    /// The length and the characters' bytes (2 per character when wide), unconverted.
    std::optional<std::string_view> ReadStringBytes(bool& wide, LengthWidth& width);
    std::optional<std::uint16_t> ReadUint16();
    void Fail(const char* message);

    std::string_view rest_;
    std::string error_;
};

}  // namespace runwell
