#include "exchange/JsonValues.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <system_error>

#include "base/Text.h"

namespace runwell {

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

std::string Utf8OrLatin1(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (const std::size_t length = Utf8SequenceLength(bytes, i); length > 0) {
            text.append(bytes.substr(i, length));
            i += length - 1;
        } else {
            text += Latin1ToUtf8(bytes.substr(i, 1));
        }
    }
    return text;
}

double ShortestDouble(float value) {
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    double shortest = 0.0;
    if (written.ec == std::errc() &&
        std::from_chars(digits, written.ptr, shortest).ec == std::errc() &&
        std::bit_cast<std::uint32_t>(static_cast<float>(shortest)) ==
            std::bit_cast<std::uint32_t>(value)) {
        return shortest;
    }
    return static_cast<double>(value);
}

}  // namespace runwell
