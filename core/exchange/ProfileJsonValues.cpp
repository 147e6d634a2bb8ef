#include "exchange/ProfileJsonValues.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "base/Text.h"
#include "exchange/JsonValues.h"
#include "prediction/PredictionJson.h"

namespace runwell::profile_json {
std::string Where::Text() const {
    std::string part(key);
    if (index != std::string::npos) {
        part += "[" + std::to_string(index) + "]";
    }
    const std::string above = parent != nullptr ? parent->Text() : std::string();
    return above.empty() ? part : part.empty() ? above : above + "." + part;
}


[[noreturn]] void Refuse(const Where& where, const std::string& problem) {
    const std::string place = where.Text();
    throw Refusal{place.empty() ? problem : place + ": " + problem};
}

std::string Quoted(std::string_view key) { return QuotedForMessage(key); }

// --- Texts ---------------------------------------------------------------------------------

namespace {

/// The 8-bit bytes of a JSON string (valid UTF-8, as the parser guarantees); a character above
/// U+00FF cannot be stored.
std::string Utf8ToLatin1(std::string_view text, const Where& where) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            bytes.push_back(static_cast<char>(lead));
            continue;
        }
        if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[++i]);
            bytes.push_back(static_cast<char>(((lead & 0x03) << 6) | (next & 0x3F)));
            continue;
        }
        Refuse(where, "a text holds a character above U+00FF; texts are 8-bit (Latin-1)");
    }
    return bytes;
}

}  // namespace

std::string ToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string FromHex(std::string_view hex, const Where& where) {
    if (hex.size() % 2 != 0) {
        Refuse(where, "hex bytes need an even number of digits");
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            Refuse(where, "hex bytes may hold only the digits 0-9 and a-f");
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

Json TextJson(const ArchiveString& stored) {
    const bool narrowest = stored.width == NarrowestWidth(stored.length());
    if (!stored.wide && narrowest) {
        return Latin1ToUtf8(stored.bytes);
    }
    Json object = Json::object();
    if (stored.wide) {
        object["utf16le"] = ToHex(stored.bytes);
    } else {
        object["text"] = Latin1ToUtf8(stored.bytes);
    }
    if (!narrowest) {
        object["lengthBits"] = static_cast<int>(stored.width);
    }
    return object;
}

/// Refuses every key of `object` that is not in `known`.
void OnlyKnownKeys(const Json& object, std::initializer_list<std::string_view> known,
                   const Where& where) {
    for (const auto& item : object.items()) {
        if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
            Refuse(where, "unknown key " + Quoted(item.key()));
        }
    }
}

const Json& Member(const Json& object, const char* key, const Where& where) {
    const auto found = object.find(key);
    if (found == object.end()) {
        Refuse(where, "the key " + Quoted(key) + " is missing");
    }
    return *found;
}

Where Path(const Where& where, std::string_view key) {
    return Where{&where, key};
}

std::int64_t WholeNumber(const Json& value, const Where& where, std::int64_t low,
                         std::int64_t high) {
    if (!value.is_number_integer()) {
        Refuse(where, "a whole number is needed");
    }
    // The parser keeps a non-negative number as unsigned, so one above INT64_MAX stays exact.
    const bool inRange =
        value.is_number_unsigned()
            ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(high) &&
                  (low <= 0 || value.get<std::uint64_t>() >= static_cast<std::uint64_t>(low))
            : value.get<std::int64_t>() >= low && value.get<std::int64_t>() <= high;
    if (!inRange) {
        Refuse(where, "the number must be from " + std::to_string(low) + " to " +
                          std::to_string(high));
    }
    return value.get<std::int64_t>();
}

ArchiveString ReadText(const Json& value, const Where& where) {
    ArchiveString stored;
    if (value.is_string()) {
        stored.bytes = Utf8ToLatin1(value.get_ref<const std::string&>(), where);
        stored.width = NarrowestWidth(stored.length());
        return stored;
    }
    if (!value.is_object()) {
        Refuse(where, "a text is a string or an object with \"text\" or \"utf16le\"");
    }
    OnlyKnownKeys(value, {"text", "utf16le", "lengthBits"}, where);
    const bool hasText = value.contains("text");
    if (hasText == value.contains("utf16le")) {
        Refuse(where, "a text object holds either \"text\" or \"utf16le\"");
    }
    const Json& characters = value[hasText ? "text" : "utf16le"];
    const Where inner = Path(where, hasText ? "text" : "utf16le");
    if (!characters.is_string()) {
        Refuse(inner, "a string is needed");
    }
    if (hasText) {
        stored.bytes = Utf8ToLatin1(characters.get_ref<const std::string&>(), inner);
    } else {
        stored.wide = true;
        stored.bytes = FromHex(characters.get_ref<const std::string&>(), inner);
        if (stored.bytes.size() % 2 != 0) {
            Refuse(inner, "16-bit characters take 2 bytes each");
        }
    }
    stored.width = NarrowestWidth(stored.length());
    if (value.contains("lengthBits")) {
        const Where at = Path(where, "lengthBits");
        const std::int64_t bits = WholeNumber(value["lengthBits"], at, 0, 64);
        if (bits != 8 && bits != 16 && bits != 32 && bits != 64) {
            Refuse(at, "the length is stored in 8, 16, 32 or 64 bits");
        }
        stored.width = static_cast<LengthWidth>(bits);
    }
    if (!WidthHolds(stored.width, stored.length(), stored.wide)) {
        Refuse(where, "a length of " + std::to_string(stored.length()) +
                          " characters cannot be stored in " +
                          std::to_string(static_cast<int>(stored.width)) + " bits");
    }
    return stored;
}

// --- Floats --------------------------------------------------------------------------------

namespace {

std::string BitsText(std::uint32_t bits) {
    const char bytes[4] = {static_cast<char>(bits >> 24), static_cast<char>(bits >> 16),
                           static_cast<char>(bits >> 8), static_cast<char>(bits)};
    return "0x" + ToHex(std::string_view(bytes, sizeof bytes));
}

}  // namespace

Json FloatJson(std::uint32_t bits) {
    const float value = std::bit_cast<float>(bits);
    if (!std::isfinite(value)) {
        return BitsText(bits);
    }
    return ShortestDouble(value);
}

std::uint32_t ReadFloat(const Json& value, const Where& where) {
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (text.size() != 10 || text[0] != '0' || text[1] != 'x') {
            Refuse(where, "a float is a number or \"0x\" and 8 hex digits of its bits");
        }
        const std::string bytes = FromHex(std::string_view(text).substr(2), where);
        std::uint32_t bits = 0;
        for (const char c : bytes) {
            bits = (bits << 8) | static_cast<unsigned char>(c);
        }
        return bits;
    }
    if (!value.is_number()) {
        Refuse(where, "a float is a number or \"0x\" and 8 hex digits of its bits");
    }
    const double number = value.get<double>();
    // Below this the number rounds to a finite float (the largest one, at worst).
    constexpr double kRoundsToInfinity = 0x1.ffffffp+127;
    if (!(std::fabs(number) < kRoundsToInfinity)) {
        Refuse(where, "the number is beyond the range of a 32-bit float");
    }
    return std::bit_cast<std::uint32_t>(static_cast<float>(number));
}

namespace {

/// The extras' minimum voltage, when the profile gives one.
std::optional<double> ReadMinimumVoltage(const Json& document) {
    const auto found = document.find("minimumVoltage");
    if (found == document.end()) {
        return std::nullopt;
    }
    const double volts = found->is_number() ? found->get<double>() : 0.0;
    if (!(volts > 0.0 && volts <= 100.0)) {
        Refuse(Path(kTop, "minimumVoltage"), "a voltage above 0 and at most 100 V is needed");
    }
    return volts;
}

/// The extras' prediction options and buffer leakage, when the profile gives them.
void ReadPrediction(const Json& document, ProfileExtras& extras) {
    if (const auto found = document.find("prediction"); found != document.end()) {
        Result<PredictionOptions> options = ParsePredictionOptions(*found, "prediction");
        if (!options) {
            throw Refusal{options.error().message};
        }
        extras.prediction = std::move(*options);
    }
    if (const auto found = document.find("bufferLeakage"); found != document.end()) {
        const double microamps = found->is_number() ? found->get<double>() : -1.0;
        if (!(microamps >= 0.0 && microamps <= 1e6)) {
            Refuse(Path(kTop, "bufferLeakage"), "a current of 0 to 1000000 uA is needed");
        }
        extras.bufferLeakage = microamps;
    }
}

}  // namespace

ProfileExtras ReadProfileExtras(const Json& document) {
    ProfileExtras extras;
    extras.minimumVoltage = ReadMinimumVoltage(document);
    ReadPrediction(document, extras);
    return extras;
}

}  // namespace runwell::profile_json
