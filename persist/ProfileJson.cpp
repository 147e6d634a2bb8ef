#include "persist/ProfileJson.h"

#include "persist/JsonValues.h"

#include <nlohmann/json.hpp>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

namespace runwell {
namespace {

using Json = nlohmann::ordered_json;

// The deepest nesting a profile has is 4 (document, modes, mode, a text object); anything much
// deeper is refused while it is parsed.
constexpr int kMaxDepth = 8;
constexpr std::size_t kFlagCount = std::tuple_size_v<PeripheralFlags>;

/// A refusal while a profile is read: carries the message up to ParseProfileJson.
struct Refusal {
    std::string message;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& problem) {
    throw Refusal{where.empty() ? problem : where + ": " + problem};
}

std::string Quoted(std::string_view key) {
    return "'" + std::string(key) + "'";
}

// --- Texts ---------------------------------------------------------------------------------

/// The 8-bit bytes of a JSON string (valid UTF-8, as the parser guarantees); a character above
/// U+00FF cannot be stored.
std::string Utf8ToLatin1(std::string_view text, const std::string& where) {
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

std::string FromHex(std::string_view hex, const std::string& where) {
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
                   const std::string& where) {
    for (const auto& item : object.items()) {
        if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
            Refuse(where, "unknown key " + Quoted(item.key()));
        }
    }
}

const Json& Member(const Json& object, const char* key, const std::string& where) {
    const auto found = object.find(key);
    if (found == object.end()) {
        Refuse(where, "the key " + Quoted(key) + " is missing");
    }
    return *found;
}

std::string Path(const std::string& where, const char* key) {
    return where.empty() ? std::string(key) : where + "." + key;
}

std::int64_t WholeNumber(const Json& value, const std::string& where, std::int64_t low,
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

ArchiveString ReadText(const Json& value, const std::string& where) {
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
    const std::string inner = Path(where, hasText ? "text" : "utf16le");
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
        const std::string at = Path(where, "lengthBits");
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

std::string BitsText(std::uint32_t bits) {
    const char bytes[4] = {static_cast<char>(bits >> 24), static_cast<char>(bits >> 16),
                           static_cast<char>(bits >> 8), static_cast<char>(bits)};
    return "0x" + ToHex(std::string_view(bytes, sizeof bytes));
}

Json FloatJson(std::uint32_t bits) {
    const float value = std::bit_cast<float>(bits);
    if (!std::isfinite(value)) {
        return BitsText(bits);
    }
    return ShortestDouble(value);
}

std::uint32_t ReadFloat(const Json& value, const std::string& where) {
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

// --- Modes ---------------------------------------------------------------------------------

Json ModeJson(const StoredMode& mode) {
    Json object = Json::object();
    object["label"] = TextJson(mode.label);
    object["operatingMode"] = TextJson(mode.operatingMode);
    object["frequency"] = TextJson(mode.frequency);
    object["duration"] = FloatJson(mode.duration);
    object["totalCurrent"] = FloatJson(mode.totalCurrent);
    object["totalCharge"] = FloatJson(mode.totalCharge);
    object["systemCurrent"] = FloatJson(mode.systemCurrent);
    Json flags = Json::array();
    Json otherBytes = Json::object();
    for (std::size_t k = 0; k < kFlagCount; ++k) {
        if (mode.flagBytes[k] == 1) {
            flags.push_back(k);
        } else if (mode.flagBytes[k] != 0) {
            otherBytes[std::to_string(k)] = mode.flagBytes[k];
        }
    }
    object["peripheralFlags"] = std::move(flags);
    if (!otherBytes.empty()) {
        object["peripheralFlagBytes"] = std::move(otherBytes);
    }
    return object;
}

StoredMode ReadMode(const Json& value, const std::string& where) {
    if (!value.is_object()) {
        Refuse(where, "a mode is an object");
    }
    OnlyKnownKeys(value,
                  {"label", "operatingMode", "frequency", "duration", "totalCurrent",
                   "totalCharge", "systemCurrent", "peripheralFlags", "peripheralFlagBytes"},
                  where);
    StoredMode mode;
    mode.label = ReadText(Member(value, "label", where), Path(where, "label"));
    mode.operatingMode =
        ReadText(Member(value, "operatingMode", where), Path(where, "operatingMode"));
    mode.frequency = ReadText(Member(value, "frequency", where), Path(where, "frequency"));
    mode.duration = ReadFloat(Member(value, "duration", where), Path(where, "duration"));
    mode.totalCurrent =
        ReadFloat(Member(value, "totalCurrent", where), Path(where, "totalCurrent"));
    mode.totalCharge = ReadFloat(Member(value, "totalCharge", where), Path(where, "totalCharge"));
    mode.systemCurrent =
        ReadFloat(Member(value, "systemCurrent", where), Path(where, "systemCurrent"));

    const std::string flagsAt = Path(where, "peripheralFlags");
    const Json& flags = Member(value, "peripheralFlags", where);
    if (!flags.is_array()) {
        Refuse(flagsAt, "a list of column numbers is needed");
    }
    for (const Json& column : flags) {
        const auto k = static_cast<std::size_t>(WholeNumber(column, flagsAt, 0, kFlagCount - 1));
        if (mode.flagBytes[k] != 0) {
            Refuse(flagsAt, "column " + std::to_string(k) + " is listed twice");
        }
        mode.flagBytes[k] = 1;
    }
    if (value.contains("peripheralFlagBytes")) {
        const std::string bytesAt = Path(where, "peripheralFlagBytes");
        const Json& bytes = value["peripheralFlagBytes"];
        if (!bytes.is_object()) {
            Refuse(bytesAt, "an object of column numbers and byte values is needed");
        }
        for (const auto& item : bytes.items()) {
            const std::string& key = item.key();
            std::size_t k = kFlagCount;
            const auto parsed = std::from_chars(key.data(), key.data() + key.size(), k);
            if (parsed.ec != std::errc() || parsed.ptr != key.data() + key.size() ||
                k >= kFlagCount || std::to_string(k) != key) {
                Refuse(bytesAt, "unknown key " + Quoted(key) + "; the keys are columns 0 to 39");
            }
            if (mode.flagBytes[k] != 0) {
                Refuse(bytesAt, "column " + key + " is also in peripheralFlags");
            }
            mode.flagBytes[k] = static_cast<std::uint8_t>(
                WholeNumber(item.value(), bytesAt + "." + key, 2, 255));
        }
    }
    return mode;
}

// --- Parsing -------------------------------------------------------------------------------

/// Parses JSON, refusing duplicate keys (a profile has one value per field) and deep nesting.
Json ParseStrict(std::string_view text) {
    std::vector<std::set<std::string>> keys;
    const Json::parser_callback_t check = [&keys](int depth, Json::parse_event_t event,
                                                  Json& parsed) {
        if (depth > kMaxDepth) {
            throw Refusal{"the JSON is nested deeper than a profile ever is"};
        }
        switch (event) {
            case Json::parse_event_t::object_start:
                keys.emplace_back();
                break;
            case Json::parse_event_t::object_end:
                keys.pop_back();
                break;
            case Json::parse_event_t::key:
                if (!keys.back().insert(parsed.get<std::string>()).second) {
                    throw Refusal{"the key " + Quoted(parsed.get<std::string>()) +
                                  " is given twice"};
                }
                break;
            default:
                break;
        }
        return true;
    };
    try {
        return Json::parse(text.begin(), text.end(), check);
    } catch (const Json::exception& error) {
        // A syntax error, or a number too large for a double. The library's text starts with
        // its own error code in brackets.
        std::string message = error.what();
        const std::size_t close = message.find("] ");
        if (close != std::string::npos) {
            message.erase(0, close + 2);
        }
        throw Refusal{"not valid JSON: " + message};
    }
}

}  // namespace

std::string ProfileJsonOf(const SettingsImage& image) {
    Json document = Json::object();
    document["format"] = kProfileFormat;
    document["version"] = kProfileVersion;
    document["device"] = TextJson(image.device);
    document["voltage"] = TextJson(image.voltage);
    document["temperature"] = TextJson(image.temperature);
    document["battery"] = image.battery;
    if (image.modeCount < 0) {
        document["modeCount"] = image.modeCount;
    }
    Json modes = Json::array();
    for (const StoredMode& mode : image.modes) {
        modes.push_back(ModeJson(mode));
    }
    document["modes"] = std::move(modes);
    if (!image.trailing.empty()) {
        document["trailingBytes"] = ToHex(image.trailing);
    }
    return document.dump(2) + "\n";
}

Result<SettingsImage> ParseProfileJson(std::string_view text) {
    try {
        const Json document = ParseStrict(text);
        if (!document.is_object()) {
            return Error{"a profile is a JSON object"};
        }
        const auto format = document.find("format");
        if (format == document.end() || *format != kProfileFormat) {
            return Error{"not a Runwell profile: \"format\" must be \"runwell-profile\""};
        }
        const Json& version = Member(document, "version", "");
        if (version != kProfileVersion) {
            return Error{"profile version " + version.dump() + " is not supported; this program reads version 1"};
        }
        OnlyKnownKeys(document,
                      {"format", "version", "device", "voltage", "temperature", "battery",
                       "modeCount", "modes", "trailingBytes"},
                      "");
        SettingsImage image;
        image.device = ReadText(Member(document, "device", ""), "device");
        image.voltage = ReadText(Member(document, "voltage", ""), "voltage");
        image.temperature = ReadText(Member(document, "temperature", ""), "temperature");
        image.battery = static_cast<std::int32_t>(
            WholeNumber(Member(document, "battery", ""), "battery",
                        std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max()));
        const Json& modes = Member(document, "modes", "");
        if (!modes.is_array()) {
            Refuse("modes", "a list of modes is needed");
        }
        if (modes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            Refuse("modes", "too many modes");
        }
        image.modes.reserve(modes.size());
        for (std::size_t i = 0; i < modes.size(); ++i) {
            image.modes.push_back(ReadMode(modes[i], "modes[" + std::to_string(i) + "]"));
        }
        image.modeCount = static_cast<std::int32_t>(image.modes.size());
        if (document.contains("modeCount")) {
            const auto count = static_cast<std::int32_t>(
                WholeNumber(document["modeCount"], "modeCount",
                            std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max()));
            // Only a count of 0 or less can differ from the records that follow it.
            if (count != image.modeCount && (count > 0 || !image.modes.empty())) {
                Refuse("modeCount", "the count must equal the number of modes, or be 0 or less "
                                    "when there are none");
            }
            image.modeCount = count;
        }
        if (document.contains("trailingBytes")) {
            const Json& trailing = document["trailingBytes"];
            if (!trailing.is_string()) {
                Refuse("trailingBytes", "a string of hex digits is needed");
            }
            image.trailing = FromHex(trailing.get_ref<const std::string&>(), "trailingBytes");
        }
        return image;
    } catch (const Refusal& refusal) {
        return Error{refusal.message};
    }
}

Result<std::string> ExportProfileJson(std::string_view settingsBytes) {
    Result<SettingsImage> image = ReadSettingsImage(settingsBytes);
    if (!image) {
        return image.error();
    }
    return ProfileJsonOf(*image);
}

Result<std::string> ImportProfileJson(std::string_view text) {
    Result<SettingsImage> image = ParseProfileJson(text);
    if (!image) {
        return image.error();
    }
    return WriteSettingsImage(*image);
}

}  // namespace runwell
