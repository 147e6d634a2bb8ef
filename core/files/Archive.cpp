#include "files/Archive.h"

#include <bit>
#include <limits>

#include "base/Messages.h"

namespace runwell {
namespace {

// The escapes of the length prefix: a one-byte length of 0xFF announces a 16-bit length, a
// 16-bit length of 0xFFFF a 32-bit one, a 32-bit length of 0xFFFFFFFF a 64-bit one. A 16-bit
// length of 0xFFFE in the first prefix announces 16-bit characters and a second prefix.
constexpr std::uint8_t kByteEscape = 0xFF;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::uint16_t kWordEscape = 0xFFFF;
constexpr std::uint32_t kDwordEscape = 0xFFFFFFFF;
// The longest text a 64-bit prefix may announce.
constexpr std::uint64_t kMaxLongLength = std::numeric_limits<std::int32_t>::max();

template <typename T>
T LittleEndian(std::string_view bytes) {
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        value = static_cast<T>((value << 8) | static_cast<unsigned char>(bytes[i]));
    }
    return value;
}

}  // namespace

LengthWidth NarrowestWidth(std::uint64_t length) {
    if (length < kByteEscape) {
        return LengthWidth::Bits8;
    }
    if (length < kWideMarker) {
        return LengthWidth::Bits16;
    }
    return length < kDwordEscape ? LengthWidth::Bits32 : LengthWidth::Bits64;
}

bool WidthHolds(LengthWidth width, std::uint64_t length, bool afterWideMarker) {
    switch (width) {
        case LengthWidth::Bits8:
            return length < kByteEscape;
        case LengthWidth::Bits16:
            return length < kWideMarker || (afterWideMarker && length == kWideMarker);
        case LengthWidth::Bits32:
            return length < kDwordEscape;
        case LengthWidth::Bits64:
            return length <= kMaxLongLength;
    }
    return false;
}

std::string TextOf(const ArchiveString& stored) {
    if (!stored.wide) {
        return stored.bytes;
    }
    std::string text;
    text.reserve(stored.bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < stored.bytes.size(); i += 2) {
        const auto unit = LittleEndian<std::uint16_t>(std::string_view(stored.bytes).substr(i, 2));
        text.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
    }
    return text;
}

void ArchiveWriter::WriteString(const ArchiveString& stored) {
    if (stored.wide) {
        WriteByte(kByteEscape);
        WriteUint16(kWideMarker);
    }
    const std::uint64_t length = stored.length();
    switch (stored.width) {
        case LengthWidth::Bits8:
            WriteByte(static_cast<std::uint8_t>(length));
            break;
        case LengthWidth::Bits16:
            WriteByte(kByteEscape);
            WriteUint16(static_cast<std::uint16_t>(length));
            break;
        case LengthWidth::Bits32:
            WriteByte(kByteEscape);
            WriteUint16(kWordEscape);
            WriteUint32(static_cast<std::uint32_t>(length));
            break;
        case LengthWidth::Bits64:
            WriteByte(kByteEscape);
            WriteUint16(kWordEscape);
            WriteUint32(kDwordEscape);
            WriteUint32(static_cast<std::uint32_t>(length));
            WriteUint32(static_cast<std::uint32_t>(length >> 32));
            break;
    }
    bytes_.append(stored.bytes);
}

void ArchiveWriter::WriteString(std::string_view text) {
    const std::uint64_t length = text.size();
    if (length < kByteEscape) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < kWideMarker) {
        WriteByte(kByteEscape);
        WriteUint16(static_cast<std::uint16_t>(length));
    } else if (length < kDwordEscape) {
        WriteByte(kByteEscape);
        WriteUint16(kWordEscape);
        WriteUint32(static_cast<std::uint32_t>(length));
    } else {
        WriteByte(kByteEscape);
        WriteUint16(kWordEscape);
        WriteUint32(kDwordEscape);
        WriteUint32(static_cast<std::uint32_t>(length));
        WriteUint32(static_cast<std::uint32_t>(length >> 32));
    }
    bytes_.append(text);
}

void ArchiveWriter::WriteInt32(std::int32_t value) {
    WriteUint32(static_cast<std::uint32_t>(value));
}

void ArchiveWriter::WriteUint16(std::uint16_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    bytes_.append(bytes, sizeof bytes);
}

void ArchiveWriter::WriteUint32(std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF),
                           static_cast<char>((value >> 24) & 0xFF)};
    bytes_.append(bytes, sizeof bytes);
}

void ArchiveWriter::WriteFloat(float value) {
    WriteUint32(std::bit_cast<std::uint32_t>(value));
}

void ArchiveWriter::WriteByte(std::uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
}

void ArchiveReader::Fail(const char* message) {
    if (error_.empty()) {
        error_ = message;
    }
}

bool ArchiveReader::Take(std::size_t count, std::string_view& out) {
    if (failed()) {
        return false;
    }
    if (count > rest_.size()) {
        Fail(msg::kFileEndsEarly);
        return false;
    }
    out = rest_.substr(0, count);
    rest_.remove_prefix(count);
    return true;
}

std::optional<std::uint8_t> ArchiveReader::ReadByte() {
    std::string_view bytes;
    if (!Take(1, bytes)) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(bytes[0]);
}

std::optional<std::string_view> ArchiveReader::ReadBytes(std::size_t count) {
    std::string_view bytes;
    if (!Take(count, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::uint16_t> ArchiveReader::ReadUint16() {
    std::string_view bytes;
    if (!Take(2, bytes)) {
        return std::nullopt;
    }
    return LittleEndian<std::uint16_t>(bytes);
}

std::optional<std::uint32_t> ArchiveReader::ReadUint32() {
    std::string_view bytes;
    if (!Take(4, bytes)) {
        return std::nullopt;
    }
    return LittleEndian<std::uint32_t>(bytes);
}

std::optional<std::int32_t> ArchiveReader::ReadInt32() {
    const auto bits = ReadUint32();
    if (!bits) {
        return std::nullopt;
    }
    return std::bit_cast<std::int32_t>(*bits);
}

std::optional<float> ArchiveReader::ReadFloat() {
    const auto bits = ReadUint32();
    if (!bits) {
        return std::nullopt;
    }
    return std::bit_cast<float>(*bits);
}

std::optional<std::uint64_t> ArchiveReader::ReadLength(bool& wide, LengthWidth& width) {
    wide = false;
    while (true) {
        const auto byteLength = ReadByte();
        if (!byteLength) {
            return std::nullopt;
        }
        width = LengthWidth::Bits8;
        if (*byteLength < kByteEscape) {
            return *byteLength;
        }
        const auto wordLength = ReadUint16();
        if (!wordLength) {
            return std::nullopt;
        }
        // The marker counts only in the first prefix; in the second, 0xFFFE is a length.
        if (*wordLength == kWideMarker && !wide) {
            wide = true;
            continue;
        }
        width = LengthWidth::Bits16;
        if (*wordLength < kWordEscape) {
            return *wordLength;
        }
        const auto dwordLength = ReadUint32();
        if (!dwordLength) {
            return std::nullopt;
        }
        width = LengthWidth::Bits32;
        if (*dwordLength < kDwordEscape) {
            return *dwordLength;
        }
        const auto low = ReadUint32();
        const auto high = ReadUint32();
        if (!low || !high) {
            return std::nullopt;
        }
        width = LengthWidth::Bits64;
        if (*high != 0 || *low > kMaxLongLength) {
            Fail(msg::kBadStringLength);
            return std::nullopt;
        }
        return *low;
    }
}

std::optional<std::string_view> ArchiveReader::ReadStringBytes(bool& wide, LengthWidth& width) {
    const auto length = ReadLength(wide, width);
    if (!length) {
        return std::nullopt;
    }
    // The length is checked against what remains before anything is allocated for it.
    const std::uint64_t available = wide ? rest_.size() / 2 : rest_.size();
    if (*length > available) {
        Fail(msg::kFileEndsEarly);
        return std::nullopt;
    }
    const auto count = static_cast<std::size_t>(*length);
    std::string_view bytes;
    if (!Take(wide ? count * 2 : count, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> ArchiveReader::ReadString() {
    bool wide = false;
    LengthWidth width = LengthWidth::Bits8;
    const auto bytes = ReadStringBytes(wide, width);
    if (!bytes) {
        return std::nullopt;
    }
    if (!wide) {
        return std::string(*bytes);
    }
    std::string text;
    text.reserve(bytes->size() / 2);
    for (std::size_t i = 0; i < bytes->size(); i += 2) {
        const auto unit = LittleEndian<std::uint16_t>(bytes->substr(i, 2));
        text.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
    }
    return text;
}

std::optional<ArchiveString> ArchiveReader::ReadStoredString() {
    ArchiveString stored;
    const auto bytes = ReadStringBytes(stored.wide, stored.width);
    if (!bytes) {
        return std::nullopt;
    }
    stored.bytes = std::string(*bytes);
    return stored;
}

}  // namespace runwell
