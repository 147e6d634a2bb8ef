#include "files/ProfileExtras.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <system_error>

#include "base/Messages.h"
#include "files/SafeFile.h"
#include "platform/FileRead.h"

namespace runwell {

namespace {

using Json = nlohmann::json;

constexpr const char* kFormat = "runwell-profile-extras";
constexpr std::size_t kMaxContent = std::size_t{1} << 16;

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
    if (content.size() > kMaxContent) {
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

Result<ProfileExtras> LoadProfileExtras(const std::filesystem::path& settingsPath) {
    const std::filesystem::path sidecar = ProfileExtrasPath(settingsPath);
    std::error_code error;
    // A missing entry is the usual case, reported as not_found (with an error code set).
    if (std::filesystem::symlink_status(sidecar, error).type() ==
        std::filesystem::file_type::not_found) {
        return ProfileExtras{};
    }
    const std::string name = sidecar.filename().string();
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(sidecar, typeError)) {  // a folder, a pipe, a device
        return Error{name + ": " + msg::kCannotOpenForReading};
    }
    std::error_code sizeError;
    if (std::filesystem::file_size(sidecar, sizeError) > kMaxContent && !sizeError) {
        return Error{name + ": The file is larger than 64 KiB; it is not a profile's extra "
                            "settings."};
    }
    const std::optional<std::string> content = ReadWholeFile(sidecar);
    if (!content) {
        return Error{name + ": " + msg::kCannotOpenForReading};
    }
    Result<ProfileExtras> extras = ParseProfileExtras(*content);
    if (!extras) {
        return Error{name + ": " + extras.error().message};
    }
    return extras;
}

Status SaveProfileExtras(const std::filesystem::path& settingsPath, const ProfileExtras& extras) {
    const std::filesystem::path sidecar = ProfileExtrasPath(settingsPath);
    if (extras.empty()) {
        std::error_code error;
        std::filesystem::remove(sidecar, error);
        if (error) {
            return Error{sidecar.filename().string() + ": " + msg::kCannotOpenForWriting};
        }
        return {};
    }
    const std::string bytes = SerializeProfileExtras(extras);
    return WriteFileSafely(sidecar, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    });
}

}  // namespace runwell
