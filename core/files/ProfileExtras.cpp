#include "files/ProfileExtras.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <system_error>

#include "base/Messages.h"
#include "prediction/PredictionJson.h"

namespace runwell {

namespace {

using Json = nlohmann::json;

constexpr const char* kFormat = "runwell-profile-extras";

}  // namespace

bool ProfileExtras::empty() const {
    return !minimumVoltage && !prediction.Active() && !bufferLeakage &&
           PredictionOptionsJson(prediction).empty();
}

bool operator==(const ProfileExtras& a, const ProfileExtras& b) {
    return a.minimumVoltage == b.minimumVoltage && a.settingsDigest == b.settingsDigest &&
           a.bufferLeakage == b.bufferLeakage &&
           PredictionOptionsJson(a.prediction) == PredictionOptionsJson(b.prediction);
}

std::filesystem::path ProfileExtrasPath(const std::filesystem::path& settingsPath) {
    std::filesystem::path sidecar = settingsPath;
    sidecar += ".json";
    return sidecar;
}

std::string SerializeProfileExtras(const ProfileExtras& extras) {
    Json root = Json::object();
    root["format"] = kFormat;
    root["version"] = 1;
    if (extras.minimumVoltage) {
        root["minimumVoltage"] = *extras.minimumVoltage;
    }
    if (Json prediction = PredictionOptionsJson(extras.prediction); !prediction.empty()) {
        root["prediction"] = std::move(prediction);
    }
    if (extras.bufferLeakage) {
        root["bufferLeakage"] = *extras.bufferLeakage;
    }
    if (extras.settingsDigest) {
        root["settingsDigest"] = *extras.settingsDigest;
    }
    return root.dump(2) + "\n";
}

Result<ProfileExtras> ParseProfileExtras(std::string_view content) {
    if (content.size() > kMaxProfileExtrasBytes) {
        return Error{"The file is larger than 8 MiB; it is not a profile's extra settings."};
    }
    Json root;
    try {
        root = Json::parse(content.begin(), content.end());
    } catch (const Json::exception&) {
        return Error{"The file is not valid JSON."};
    }
    if (!root.is_object() || !root.contains("format") || root.at("format") != kFormat) {
        return Error{"The file is not a profile's extra settings (\"format\" must be \"" +
                     std::string(kFormat) + "\")."};
    }
    if (!root.contains("version") || !root.at("version").is_number_integer() ||
        root.at("version") != 1) {
        return Error{"\"version\" must be 1; this version of the program reads version 1 only."};
    }
    ProfileExtras extras;
    if (root.contains("minimumVoltage") && !root.at("minimumVoltage").is_null()) {
        const Json& volts = root.at("minimumVoltage");
        const double value = volts.is_number() ? volts.get<double>() : std::nan("");
        if (!(value > 0.0 && value <= 100.0)) {
            return Error{"\"minimumVoltage\" must be a voltage above 0 and at most 100 V."};
        }
        extras.minimumVoltage = value;
    }
    if (root.contains("prediction")) {
        Result<PredictionOptions> prediction =
            ParsePredictionOptions(root.at("prediction"), "\"prediction\"");
        if (!prediction) {
            const std::string& message = prediction.error().message;
            return Error{message.ends_with('.') ? message : message + "."};
        }
        extras.prediction = std::move(*prediction);
    }
    if (root.contains("bufferLeakage") && !root.at("bufferLeakage").is_null()) {
        const Json& leakage = root.at("bufferLeakage");
        const double value = leakage.is_number() ? leakage.get<double>() : std::nan("");
        if (!(value >= 0.0 && value <= 1e6)) {
            return Error{"\"bufferLeakage\" must be a current of 0 to 1000000 uA."};
        }
        extras.bufferLeakage = value;
    }
    if (root.contains("settingsDigest")) {
        const Json& digest = root.at("settingsDigest");
        if (!digest.is_string()) {
            return Error{"\"settingsDigest\" must be a text."};
        }
        extras.settingsDigest = digest.get<std::string>();
    }
    return extras;
}

std::string SettingsDigest(std::string_view settingsBytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a offset basis and prime
    for (const char c : settingsBytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string text = "fnv1a64:";
    for (int shift = 60; shift >= 0; shift -= 4) {
        text += kHex[(hash >> shift) & 0xFu];
    }
    return text;
}

}  // namespace runwell
