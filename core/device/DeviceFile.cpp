#include "device/DeviceFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "base/Numbers.h"
#include "base/Text.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {
namespace {

Error Malformed(std::string_view fileName, int line, std::string_view problem) {
    return Error{"The device data file \"" + std::string(fileName) + "\" is malformed: line " +
                 std::to_string(line) + " " + std::string(problem)};
}

/// A label as stored: ASCII letters upper-cased, built in place in `label`'s own storage.
void AssignUpper(std::string& label, std::string_view field) {
    label.assign(field);
    for (char& c : label) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

/// ReadInteger, with the common case of a field of at most nine digits read directly.
std::int32_t ReadValue(std::string_view field) {
    if (field.empty() || field.size() > 9) {
        return ReadInteger(field);
    }
    std::int32_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return ReadInteger(field);
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

/// Up to `count` leading fields of `line`, split as SplitFields does; returns how many there are
/// and leaves `pos` just after the last one.
std::size_t LeadingFields(std::string_view line, std::string_view* fields, std::size_t count,
                          std::size_t& pos) {
    std::size_t found = 0;
    pos = 0;
    while (found < count) {
        while (pos < line.size() && line[pos] == ',') {
            ++pos;
        }
        if (pos == line.size()) {
            break;
        }
        const std::size_t end = std::min(line.find(',', pos), line.size());
        fields[found++] = line.substr(pos, end - pos);
        pos = end;
    }
    return found;
}

/// How many of the eight bytes of `chunk` (first byte lowest) are ASCII digits before the first
/// byte that is not one. A carry from a byte at or above 0xFA can only disturb bytes after it,
/// and that byte is not a digit, so the count is exact.
unsigned LeadingDigits(std::uint64_t chunk) {
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0;
    constexpr std::uint64_t kThrees = 0x3030303030303030;
    const std::uint64_t notDigit =
        ((chunk & kHigh) ^ kThrees) | (((chunk + 0x0606060606060606) & kHigh) ^ kThrees);
    return notDigit == 0 ? 8u : static_cast<unsigned>(std::countr_zero(notDigit)) / 8;
}

/// The number written by the first `count` (1 to 7) bytes of `chunk`, all digits.
std::int32_t DigitsValue(std::uint64_t chunk, unsigned count) {
    // The digits moved to the top bytes, below them zeros: the eight-digit number 000ddddd.
    std::uint64_t digits = (chunk - 0x3030303030303030) << (8 * (8 - count));
    digits = ((digits & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
    digits = ((digits & 0x00FF00FF00FF00FF) * 6553601) >> 16;
    return static_cast<std::int32_t>(((digits & 0x0000FFFF0000FFFF) * 42949672960001) >> 32);
}

/// Reads the fields of `line` from `pos` on into values[1] and up, until the fields run out or
/// the values are full; later fields are ignored. Returns how many values the line gives, the
/// base value included; the entries after them are left as they were. Each field reads as ReadInteger reads it; the
/// common field of one to seven digits followed by a comma is read eight bytes at a time.
std::size_t ReadValues(std::string_view line, std::size_t pos, RowValues& values) {
    const std::size_t size = line.size();
    std::size_t k = 1;
    for (; k < values.size(); ++k) {
        while (pos < size && line[pos] == ',') {
            ++pos;
        }
        if (pos == size) {
            return k;
        }
        if (size - pos >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, line.data() + pos, sizeof chunk);
            if constexpr (std::endian::native == std::endian::big) {
                chunk = __builtin_bswap64(chunk);
            }
            const unsigned digits = LeadingDigits(chunk);
            if (digits > 0 && digits < 8 && line[pos + digits] == ',') {
                values[k] = DigitsValue(chunk, digits);
                pos += digits;
                continue;
            }
        }
        const std::size_t start = pos;
        std::int32_t value = 0;
        bool digitsOnly = true;
        for (; pos < size && line[pos] != ','; ++pos) {
            const char c = line[pos];
            if (c >= '0' && c <= '9' && pos - start < 9) {
                value = value * 10 + (c - '0');
            } else {
                digitsOnly = false;
            }
        }
        values[k] = digitsOnly ? value : ReadInteger(line.substr(start, pos - start));
    }
    return k;
}

/// How many rows the table below line 3 gives, read the way Parse reads it (a malformed line ends
/// the count, as it ends the load), and at most how many currents they store. Only a hint for
/// reserving the rows at once.
struct TableSize {
    std::size_t rows = 0;
    std::size_t values = 0;
};

template <typename Lines>
TableSize CountRows(Lines& lines) {
    TableSize size;
    std::string_view line;
    for (int header = 0; header < 3; ++header) {
        if (!lines.Next(line)) {
            return size;
        }
    }
    std::string_view fields[5];
    std::size_t pos = 0;
    while (lines.Next(line)) {
        const std::size_t found = LeadingFields(line, fields, 5, pos);
        if (found < 4) {
            break;  // the end of the table, or a malformed line
        }
        if (found == 5 && ReadValue(fields[4]) != 0) {
            ++size.rows;
            // Every current after the base value follows a comma of its own.
            const auto commas = static_cast<std::size_t>(
                std::count(line.begin() + static_cast<std::ptrdiff_t>(pos), line.end(), ','));
            size.values += 1 + std::min(commas, kMaxEntries - 1);
        }
    }
    return size;
}

template <typename Lines>
Result<DeviceData> Parse(Lines& reader, std::string_view fileName, TableSize expected) {
    DeviceData device;
    std::string_view line;
    std::vector<std::string_view> fields;

    reader.Next(line);  // line 1: the device names, read by the folder scan
    const bool crInFirstLine = line.find('\r') != std::string_view::npos;
    if (reader.Next(line)) {
        device.deviceNotes = DecodeNotes(line);
    } else if (crInFirstLine) {
        // Lines that end with a lone CR make the whole file one line: say so, instead of
        // blaming the header line the file seems to lack.
        return Malformed(fileName, 1,
                         "holds the whole file: its lines end with CR only. Save it with LF or "
                         "CR LF line ends.");
    }
    if (!reader.Next(line)) {
        line = {};
    }
    SplitFields(line, fields);
    if (fields.size() < 4) {
        return Malformed(fileName, 3,
                         "needs four captions for the text fields before the value columns.");
    }
    if (fields.size() - 4 > kMaxEntries) {
        return Malformed(fileName, 3, "has more than 40 value columns.");
    }
    device.columnNames.assign(fields.begin() + 4, fields.end());
    device.rows.reserve(expected.rows, expected.values);

    std::string upper[4];
    std::string_view labels[5];
    RowValues values;
    std::size_t pos = 0;
    while (reader.Next(line)) {
        // The four labels and the base value; the further values are read straight from the line.
        const std::size_t found = LeadingFields(line, labels, 5, pos);
        if (found == 0) {
            break;  // an empty line ends the table
        }
        if (found < 4) {
            return Malformed(
                fileName, reader.lineNumber(),
                "needs at least the operating mode, voltage, temperature and frequency.");
        }
        if (found < 5) {
            continue;
        }
        const std::int32_t base = ReadValue(labels[4]);
        if (base == 0) {
            continue;
        }
        for (std::size_t j = 0; j < 4; ++j) {
            AssignUpper(upper[j], labels[j]);
        }
        values[0] = base;
        const std::size_t given = ReadValues(line, pos, values);
        switch (device.rows.Append(upper[0], upper[1], upper[2], upper[3], values, given)) {
            case DeviceRows::Overflow::kNone:
                break;
            case DeviceRows::Overflow::kMode:
                return Malformed(fileName, reader.lineNumber(),
                                 "brings a 41st operating mode; at most 40 are allowed.");
            case DeviceRows::Overflow::kVoltage:
                return Malformed(fileName, reader.lineNumber(),
                                 "brings a 41st voltage; at most 40 are allowed.");
            case DeviceRows::Overflow::kTemperature:
                return Malformed(fileName, reader.lineNumber(),
                                 "brings a 41st temperature; at most 40 are allowed.");
        }
    }
    device.rows.Compact();
    // The rows' own tables list each label once, in order of first appearance.
    device.modeNames = device.rows.Modes();
    device.voltageNames = device.rows.Voltages();
    device.temperatureNames = device.rows.Temperatures();
    return device;
}

}  // namespace

Result<DeviceData> ParseDeviceData(std::string_view content, std::string_view fileName) {
    try {
        LineReader counter(content);
        const TableSize size = CountRows(counter);
        LineReader reader(content);
        return Parse(reader, fileName, size);
    } catch (const std::bad_alloc&) {
        return Error{OutOfMemoryMessage(std::string(fileName))};
    } catch (const std::length_error&) {
        return Error{OutOfMemoryMessage(std::string(fileName))};
    }
}

Result<DeviceData> LoadDeviceFile(const std::filesystem::path& path) {
    // The file is read in blocks, twice: once to count the rows so they are allocated once, then
    // to parse them. A large file then costs little more memory than its rows. A file that
    // cannot be read again from its start (a pipe) is parsed in one pass. Every read stops at
    // the read limit.
    try {
        FileLineReader reader(path);
        if (!reader.isOpen()) {
            return Error{msg::kCannotOpenDeviceFile};
        }
        TableSize size;
        if (reader.Rewind()) {
            size = CountRows(reader);
            // Every read error is reported, also one after the end of the table, as a
            // whole-file read would.
            std::string_view rest;
            while (reader.Next(rest)) {
            }
            if (reader.tooLarge()) {
                return Error{FileTooLargeMessage(path)};
            }
            if (reader.failed() || !reader.Rewind()) {
                return Error{msg::kCannotOpenDeviceFile};
            }
        }
        Result<DeviceData> device = Parse(reader, PathToUtf8(path.filename()), size);
        if (reader.tooLarge()) {
            return Error{FileTooLargeMessage(path)};
        }
        if (reader.failed()) {
            return Error{msg::kCannotOpenDeviceFile};
        }
        return device;
    } catch (const std::bad_alloc&) {
        return Error{OutOfMemoryMessage(path)};
    } catch (const std::length_error&) {
        // A file whose rows would not fit the rows' 32-bit indexes: too large to hold.
        return Error{OutOfMemoryMessage(path)};
    }
}

}  // namespace runwell
