#include "exchange/ProfileJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <limits>
#include <vector>

#include "exchange/JsonValues.h"
#include "exchange/ProfileJsonValues.h"

namespace runwell {
namespace {

using namespace profile_json;

// The deepest nesting a profile has is 4 (document, modes, mode, a text object); anything much
// deeper is refused before the document is built.
constexpr int kMaxDepth = 8;
constexpr std::size_t kFlagCount = std::tuple_size_v<PeripheralFlags>;

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
