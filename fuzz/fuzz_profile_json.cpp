// Text profiles: any bytes read as a profile, and the same bytes read as a settings file. Every
// profile that is accepted must describe a settings file that reads back completely as the same
// image and exports to a profile that reads back the same; every settings file the settings
// reader accepts must export and import back to its own bytes, and one it refuses must be
// refused with the same message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "exchange/ProfileJson.h"
#include "files/SettingsFile.h"
#include "files/SettingsImage.h"

namespace {

void CheckProfile(std::string_view text) {
    runwell::ProfileExtras extras;
    const runwell::Result<runwell::SettingsImage> image = runwell::ParseProfileJson(text, &extras);
    if (!image) {
        RUNWELL_FUZZ_CHECK(!image.error().message.empty());
        return;
    }
    const std::string bytes = runwell::WriteSettingsImage(*image);
    const runwell::Result<runwell::SettingsImage> reread = runwell::ReadSettingsImage(bytes);
    RUNWELL_FUZZ_CHECK(reread.ok());
    RUNWELL_FUZZ_CHECK(*reread == *image);
    RUNWELL_FUZZ_CHECK(!runwell::ParseSettings(bytes).error.has_value());
    runwell::ProfileExtras extrasAgain;
    const runwell::Result<runwell::SettingsImage> again =
        runwell::ParseProfileJson(runwell::ProfileJsonOf(*image, extras), &extrasAgain);
    RUNWELL_FUZZ_CHECK(again.ok());
    RUNWELL_FUZZ_CHECK(*again == *image);
    RUNWELL_FUZZ_CHECK(extrasAgain == extras);
}

void CheckSettings(std::string_view bytes) {
    const runwell::ParsedSettings parsed = runwell::ParseSettings(bytes);
    const runwell::Result<std::string> profile = runwell::ExportProfileJson(bytes);
    if (parsed.error) {
        RUNWELL_FUZZ_CHECK(!profile.ok());
        RUNWELL_FUZZ_CHECK(profile.error().message == *parsed.error);
        return;
    }
    RUNWELL_FUZZ_CHECK(profile.ok());
    const runwell::Result<std::string> back = runwell::ImportProfileJson(*profile);
    RUNWELL_FUZZ_CHECK(back.ok());
    RUNWELL_FUZZ_CHECK(*back == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckProfile(bytes);
    CheckSettings(bytes);
    return 0;
}
