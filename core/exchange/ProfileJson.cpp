#include "exchange/ProfileJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "exchange/JsonValues.h"

namespace runwell {
namespace {

using Json = nlohmann::ordered_json;

// The deepest nesting a profile has is 4 (document, modes, mode, a text object); anything much
// deeper is refused before the document is built.
constexpr int kMaxDepth = 8;
constexpr std::size_t kFlagCount = std::tuple_size_v<PeripheralFlags>;

/// A refusal while a profile is read: carries the message up to ParseProfileJson.
struct Refusal {
    std::string message;
};

/// Where in the document a value is, such as modes[2].label; the text is built only for a
/// refusal, so reading a large profile builds no path strings.
struct Where {
    const Where* parent = nullptr;
    std::string_view key;
    std::size_t index = std::string::npos;

    std::string Text() const {
        std::string part(key);
        if (index != std::string::npos) {
            part += "[" + std::to_string(index) + "]";
        }
        const std::string above = parent != nullptr ? parent->Text() : std::string();
        return above.empty() ? part : part.empty() ? above : above + "." + part;
    }
};

const Where kTop{};

[[noreturn]] void Refuse(const Where& where, const std::string& problem) {
    const std::string place = where.Text();
    throw Refusal{place.empty() ? problem : place + ": " + problem};
}

std::string Quoted(std::string_view key) {
    return "'" + std::string(key) + "'";
}

// --- Texts ---------------------------------------------------------------------------------

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

StoredMode ReadMode(const Json& value, const Where& where) {
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

    const Where flagsAt = Path(where, "peripheralFlags");
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
        const Where bytesAt = Path(where, "peripheralFlagBytes");
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
                WholeNumber(item.value(), Path(bytesAt, key), 2, 255));
        }
    }
    return mode;
}

// --- Parsing -------------------------------------------------------------------------------

/// A first pass over the text that builds nothing: it refuses a key given twice in one object
/// (a profile has one value per field) and nesting deeper than a profile ever is, and keeps
/// the library's message of a syntax error. The library's own filtering parser would do the
/// same in one pass, but it searches each finished object's parent again, which makes a
/// profile of many modes quadratic.
class StrictChecker : public nlohmann::json_sax<Json> {
public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override {
        if (!Open()) {
            return false;
        }
        // The lists keep their room for the next object at the same depth.
        if (keys_.size() < depth_) {
            keys_.resize(depth_);
        }
        keys_[depth_ - 1].clear();
        return true;
    }
    bool key(string_t& key) override {
        // A profile's objects hold a handful of keys, so a linear search is the cheapest.
        std::vector<std::string>& seen = keys_[depth_ - 1];
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            refusal_ = "the key " + Quoted(key) + " is given twice";
            return false;
        }
        seen.push_back(key);
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error)
        override {
        // A syntax error, or a number too large for a double. The library's text starts with
        // its own error code in brackets.
        std::string message = error.what();
        const std::size_t close = message.find("] ");
        if (close != std::string::npos) {
            message.erase(0, close + 2);
        }
        refusal_ = "not valid JSON: " + message;
        return false;
    }

    const std::string& refusal() const { return refusal_; }

private:
    bool Open() {
        if (++depth_ > static_cast<std::size_t>(kMaxDepth)) {
            refusal_ = "the JSON is nested deeper than a profile ever is";
            return false;
        }
        return true;
    }
    bool Close() {
        --depth_;
        return true;
    }

    std::size_t depth_ = 0;
    std::vector<std::vector<std::string>> keys_;  // by depth, for the open objects
    std::string refusal_;
};

/// Parses a profile's JSON after the strict first pass.
Json ParseStrict(std::string_view text) {
    StrictChecker checker;
    if (!Json::sax_parse(text.begin(), text.end(), &checker)) {
        throw Refusal{checker.refusal().empty() ? "not valid JSON" : checker.refusal()};
    }
    return Json::parse(text.begin(), text.end());
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
        const Json& version = Member(document, "version", kTop);
        if (version != kProfileVersion) {
            return Error{"profile version " + version.dump() + " is not supported; this program reads version 1"};
        }
        OnlyKnownKeys(document,
                      {"format", "version", "device", "voltage", "temperature", "battery",
                       "modeCount", "modes", "trailingBytes"},
                      kTop);
        SettingsImage image;
        image.device = ReadText(Member(document, "device", kTop), Path(kTop, "device"));
        image.voltage = ReadText(Member(document, "voltage", kTop), Path(kTop, "voltage"));
        image.temperature = ReadText(Member(document, "temperature", kTop), Path(kTop, "temperature"));
        image.battery = static_cast<std::int32_t>(
            WholeNumber(Member(document, "battery", kTop), Path(kTop, "battery"),
                        std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max()));
        const Json& modes = Member(document, "modes", kTop);
        const Where modesAt = Path(kTop, "modes");
        if (!modes.is_array()) {
            Refuse(modesAt, "a list of modes is needed");
        }
        if (modes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            Refuse(modesAt, "too many modes");
        }
        image.modes.reserve(modes.size());
        for (std::size_t i = 0; i < modes.size(); ++i) {
            image.modes.push_back(ReadMode(modes[i], Where{&kTop, "modes", i}));
        }
        image.modeCount = static_cast<std::int32_t>(image.modes.size());
        if (document.contains("modeCount")) {
            const auto count = static_cast<std::int32_t>(
                WholeNumber(document["modeCount"], Path(kTop, "modeCount"),
                            std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max()));
            // Only a count of 0 or less can differ from the records that follow it.
            if (count != image.modeCount && (count > 0 || !image.modes.empty())) {
                Refuse(Path(kTop, "modeCount"), "the count must equal the number of modes, or be 0 or less "
                                    "when there are none");
            }
            image.modeCount = count;
        }
        if (document.contains("trailingBytes")) {
            const Json& trailing = document["trailingBytes"];
            if (!trailing.is_string()) {
                Refuse(Path(kTop, "trailingBytes"), "a string of hex digits is needed");
            }
            image.trailing = FromHex(trailing.get_ref<const std::string&>(), Path(kTop, "trailingBytes"));
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
