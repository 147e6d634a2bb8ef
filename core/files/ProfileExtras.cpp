#include "files/ProfileExtras.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <system_error>

#include "base/Messages.h"

namespace runwell {

namespace {

using Json = nlohmann::json;

constexpr const char* kFormat = "runwell-profile-extras";

}  // namespace

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
    return root.dump(2) + "\n";
}

Result<ProfileExtras> ParseProfileExtras(std::string_view content) {
    if (content.size() > kMaxProfileExtrasBytes) {
        return Error{"The file is larger than 64 KiB; it is not a profile's extra settings."};
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
    return extras;
}

}  // namespace runwell
