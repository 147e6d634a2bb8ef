#include "exchange/ProfileJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/StrictJson.h"
#include "exchange/JsonValues.h"
#include "exchange/ProfileJsonValues.h"
#include "prediction/PredictionJson.h"

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

/// Values a part of the document may hold before it is refused. A mode has a few dozen, the
/// rest of a profile fewer; the bound keeps a hostile document from being built up in memory.
constexpr std::size_t kMaxValuesPerPart = 100000;

/// Reads a profile's JSON in one strict pass. The modes become stored records one at a time, so
/// the document is never held whole; the other top-level values are kept as JSON for the checks
/// ParseProfileJson makes in its order; unknown keys are remembered, their values skipped.
class ProfileSax : public StrictJsonSax<Json> {
public:
    ProfileSax()
        : StrictJsonSax<Json>(kMaxDepth, "the JSON is nested deeper than a profile ever is") {}

    bool null() override { return StrictJsonSax::null() && Value(nullptr); }
    bool boolean(bool b) override { return StrictJsonSax::boolean(b) && Value(b); }
    bool number_integer(number_integer_t n) override {
        return StrictJsonSax::number_integer(n) && Value(n);
    }
    bool number_unsigned(number_unsigned_t n) override {
        return StrictJsonSax::number_unsigned(n) && Value(n);
    }
    bool number_float(number_float_t n, const string_t& text) override {
        return StrictJsonSax::number_float(n, text) && Value(n);
    }
    bool string(string_t& text) override {
        return StrictJsonSax::string(text) && Value(std::move(text));
    }
    bool start_object(std::size_t n) override {
        if (depth() == 0) {
            rootIsObject_ = true;
        }
        return StrictJsonSax::start_object(n) && (depth() == 1 || Value(Json::object()));
    }
    bool start_array(std::size_t n) override {
        if (depth() == 1 && rootIsObject_ && inModes_) {
            modesAreList_ = true;
            return StrictJsonSax::start_array(n);
        }
        return StrictJsonSax::start_array(n) && Value(Json::array());
    }
    bool end_object() override { return EndContainer() && StrictJsonSax::end_object(); }
    bool end_array() override { return EndContainer() && StrictJsonSax::end_array(); }
    bool key(string_t& name) override;

    bool rootIsObject() const { return rootIsObject_; }
    /// The top-level values other than the modes and unknown keys.
    const Json& top() const { return top_; }
    const std::optional<std::string>& firstUnknownKey() const { return firstUnknownKey_; }
    /// Whether "modes" was a list, how many entries it had, the first entry that is no mode.
    bool modesAreList() const { return modesAreList_; }
    std::size_t modeEntries() const { return modeEntries_; }
    const std::optional<std::string>& modeRefusal() const { return modeRefusal_; }
    std::vector<StoredMode> TakeModes() { return std::move(modes_); }

private:
    bool Value(Json value);
    bool EndContainer();
    void EndModeEntry();

    Json top_ = Json::object();
    // The top-level value or the mode being read.
    BoundedJsonBuilder<Json> part_{kMaxValuesPerPart};
    bool rootIsObject_ = false;
    bool inModes_ = false;   // the top-level value being read is "modes"
    bool modesAreList_ = false;
    bool skipping_ = false;  // the value of an unknown key
    std::string partKey_;
    std::optional<std::string> firstUnknownKey_;
    std::size_t modeEntries_ = 0;
    std::optional<std::string> modeRefusal_;
    std::vector<StoredMode> modes_;
};

bool ProfileSax::key(string_t& name) {
    if (!StrictJsonSax::key(name)) {
        return false;
    }
    if (!rootIsObject_ || depth() != 1) {
        part_.Key(name);
        return true;
    }
    static constexpr std::string_view kKnown[] = {
        "format",    "version", "device",        "voltage",        "temperature",
        "battery",   "modeCount", "modes",       "trailingBytes",  "minimumVoltage",
        "prediction", "bufferLeakage"};
    skipping_ = std::find(std::begin(kKnown), std::end(kKnown), name) == std::end(kKnown);
    if (skipping_ && !firstUnknownKey_) {
        firstUnknownKey_ = name;
    }
    inModes_ = name == "modes";
    partKey_ = name;
    return true;
}

bool ProfileSax::Value(Json value) {
    if (!rootIsObject_ || skipping_) {
        return true;  // nothing of a document that is no profile, or of an unknown key, is kept
    }
    if (!part_.Add(std::move(value))) {
        const std::string where = modesAreList_ && depth() >= 2
                                      ? "modes[" + std::to_string(modeEntries_) + "]"
                                      : partKey_;
        Refuse(where + ": holds more values than a profile ever does");
        return false;
    }
    if (part_.done()) {
        EndModeEntry();
    }
    return true;
}

bool ProfileSax::EndContainer() {
    if (!rootIsObject_ || skipping_ || depth() == 1) {
        return true;  // the top object itself, or something not kept
    }
    if (modesAreList_ && inModes_ && depth() == 2) {
        inModes_ = false;  // the end of the list of modes
        top_["modes"] = Json::array();
        return true;
    }
    part_.Close();
    if (part_.done()) {
        EndModeEntry();
    }
    return true;
}

/// A complete value: a mode entry becomes a stored record at once (after the first that is no
/// mode, entries are only counted); any other top-level value is kept.
void ProfileSax::EndModeEntry() {
    Json value = part_.Take();
    if (!(modesAreList_ && inModes_)) {
        top_[partKey_] = std::move(value);
        return;
    }
    const std::size_t index = modeEntries_++;
    if (modeRefusal_) {
        return;
    }
    try {
        modes_.push_back(ReadMode(value, Where{&kTop, "modes", index}));
    } catch (const Refusal& refusal) {
        modeRefusal_ = refusal.message;
        modes_ = {};
    }
}

/// The device, voltage, temperature and battery of a profile's top-level values.
void ReadSelections(const Json& document, SettingsImage& image) {
    image.device = ReadText(Member(document, "device", kTop), Path(kTop, "device"));
    image.voltage = ReadText(Member(document, "voltage", kTop), Path(kTop, "voltage"));
    image.temperature =
        ReadText(Member(document, "temperature", kTop), Path(kTop, "temperature"));
    image.battery = static_cast<std::int32_t>(
        WholeNumber(Member(document, "battery", kTop), Path(kTop, "battery"),
                    std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max()));
}

/// The stored mode count (the number of modes unless "modeCount" says otherwise) and the bytes
/// after the last record.
void ReadCountAndTrailing(const Json& document, SettingsImage& image) {
    image.modeCount = static_cast<std::int32_t>(image.modes.size());
    if (document.contains("modeCount")) {
        const auto count = static_cast<std::int32_t>(
            WholeNumber(document["modeCount"], Path(kTop, "modeCount"),
                        std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max()));
        // Only a count of 0 or less can differ from the records that follow it.
        if (count != image.modeCount && (count > 0 || !image.modes.empty())) {
            Refuse(Path(kTop, "modeCount"),
                   "the count must equal the number of modes, or be 0 or less when there are "
                   "none");
        }
        image.modeCount = count;
    }
    if (document.contains("trailingBytes")) {
        const Json& trailing = document["trailingBytes"];
        if (!trailing.is_string()) {
            Refuse(Path(kTop, "trailingBytes"), "a string of hex digits is needed");
        }
        image.trailing =
            FromHex(trailing.get_ref<const std::string&>(), Path(kTop, "trailingBytes"));
    }
}

}  // namespace

std::string ProfileJsonOf(const SettingsImage& image, const ProfileExtras& extras) {
    Json document = Json::object();
    document["format"] = kProfileFormat;
    document["version"] = kProfileVersion;
    document["device"] = TextJson(image.device);
    document["voltage"] = TextJson(image.voltage);
    document["temperature"] = TextJson(image.temperature);
    document["battery"] = image.battery;
    if (extras.minimumVoltage) {
        document["minimumVoltage"] = *extras.minimumVoltage;
    }
    if (Json prediction = PredictionOptionsJson(extras.prediction); !prediction.empty()) {
        document["prediction"] = std::move(prediction);
    }
    if (extras.bufferLeakage) {
        document["bufferLeakage"] = *extras.bufferLeakage;
    }
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

Result<SettingsImage> ParseProfileJson(std::string_view text, ProfileExtras* extras) {
    try {
        ProfileSax sax;
        if (!Json::sax_parse(text.begin(), text.end(), &sax)) {
            return Error{sax.refusal().empty() ? "not valid JSON" : sax.refusal()};
        }
        if (!sax.rootIsObject()) {
            return Error{"a profile is a JSON object"};
        }
        const Json& document = sax.top();
        const auto format = document.find("format");
        if (format == document.end() || *format != kProfileFormat) {
            return Error{"not a Runwell profile: \"format\" must be \"runwell-profile\""};
        }
        const Json& version = Member(document, "version", kTop);
        if (version != kProfileVersion) {
            return Error{"profile version " + version.dump() +
                         " is not supported; this program reads version 1"};
        }
        if (sax.firstUnknownKey()) {
            Refuse(kTop, "unknown key " + Quoted(*sax.firstUnknownKey()));
        }
        SettingsImage image;
        ReadSelections(document, image);
        const Where modesAt = Path(kTop, "modes");
        Member(document, "modes", kTop);
        if (!sax.modesAreList()) {
            Refuse(modesAt, "a list of modes is needed");
        }
        if (sax.modeEntries() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            Refuse(modesAt, "too many modes");
        }
        if (sax.modeRefusal()) {
            throw Refusal{*sax.modeRefusal()};
        }
        image.modes = sax.TakeModes();
        ReadCountAndTrailing(document, image);
        ProfileExtras read = ReadProfileExtras(document);
        if (extras != nullptr) {
            *extras = std::move(read);
        }
        return image;
    } catch (const Refusal& refusal) {
        return Error{refusal.message};
    }
}

Result<std::string> ExportProfileJson(std::string_view settingsBytes,
                                      const ProfileExtras& extras) {
    Result<SettingsImage> image = ReadSettingsImage(settingsBytes);
    if (!image) {
        return image.error();
    }
    return ProfileJsonOf(*image, extras);
}

Result<std::string> ImportProfileJson(std::string_view text, ProfileExtras* extras) {
    Result<SettingsImage> image = ParseProfileJson(text, extras);
    if (!image) {
        return image.error();
    }
    return WriteSettingsImage(*image);
}

}  // namespace runwell
