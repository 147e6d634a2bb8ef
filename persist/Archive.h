#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace runwell {

/// Appends the settings file's encodings to a byte string: little-endian integers and floats
/// (bit for bit), and length-prefixed 8-bit strings (one byte below 255; 0xFF and a 16-bit length
/// below 65534; 0xFF, 0xFFFF and a 32-bit length beyond). Only a text of 4 GiB or more would need
/// the 64-bit form (0xFF, 0xFFFF, 0xFFFFFFFF and a 64-bit length); it is written for completeness
/// and no text of the system comes near it.
class ArchiveWriter {
public:
    void WriteString(std::string_view text);
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
    std::optional<std::int32_t> ReadInt32();
    std::optional<float> ReadFloat();
    std::optional<std::uint8_t> ReadByte();
    /// The next `count` bytes as they are (a view into the data), or nothing when fewer remain.
    std::optional<std::string_view> ReadBytes(std::size_t count);

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    std::size_t remaining() const { return rest_.size(); }

private:
    bool Take(std::size_t count, std::string_view& out);
    /// The length prefix of a string; `wide` is set when it announced 16-bit characters.
    std::optional<std::uint64_t> ReadLength(bool& wide);
    std::optional<std::uint16_t> ReadUint16();
    std::optional<std::uint32_t> ReadUint32();
    void Fail(const char* message);

    std::string_view rest_;
    std::string error_;
};

}  // namespace runwell
