#include "measure/MeasuredModel.h"

#include <chrono>
#include <ctime>
#include <fstream>

#include "base/Messages.h"
#include "measure/DischargeFit.h"
#include "measure/ProfileImport.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {

namespace {

/// Whether the file's first byte that is not a blank opens a JSON object.
bool LooksLikeJson(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char c = 0;
    while (in.get(c)) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            return c == '{';
        }
    }
    return false;
}

}  // namespace

std::string TodayUtc() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

Result<BatteryModel> ModelFromMeasurement(const std::filesystem::path& file,
                                          const std::string& battery, const std::string& date) {
    if (LooksLikeJson(file)) {
        Result<std::string> text = ReadFileContent(file, msg::kCannotOpenForReading);
        if (!text) {
            return text.error();
        }
        ProfileImportOptions options;
        options.battery = battery;
        options.fileName = PathToUtf8(file.filename());
        return ImportBatteryProfile(*text, options);
    }
    DischargeFitOptions options;
    options.battery = battery;
    options.logName = PathToUtf8(file.filename());
    options.date = date;
    return FitDischargeLog(file, options);
}

std::string ModelFileName(const std::string& battery) {
    std::string name;
    for (const char c : battery) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += plain ? c : '-';
    }
    return (name.empty() ? std::string("battery") : name) + ".json";
}

}  // namespace runwell
