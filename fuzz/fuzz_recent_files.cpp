// The recent files' store: any bytes read as at most eight distinct, non-empty paths without a
// NUL, each a line of the bytes; and the duration notice of the mode editor for any typed text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "estimate/ModeComputation.h"
#include "session/RecentFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto paths = runwell::ParseRecentFiles(bytes);
    RUNWELL_FUZZ_CHECK(paths.size() <= runwell::RecentFiles::kMax);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::u8string name = paths[i].u8string();
        const std::string text(name.begin(), name.end());
        RUNWELL_FUZZ_CHECK(!text.empty());
        RUNWELL_FUZZ_CHECK(text.find('\0') == std::string::npos && text.find('\n') == std::string::npos);
        RUNWELL_FUZZ_CHECK(std::count(paths.begin(), paths.end(), paths[i]) == 1);
        RUNWELL_FUZZ_CHECK(bytes.find(text) != std::string_view::npos);
    }
    const std::string_view typed = bytes.substr(0, 64);
    for (int unit = -1; unit <= 3; ++unit) {
        const auto notice = runwell::DurationNotice(typed, unit);
        RUNWELL_FUZZ_CHECK(!notice || !notice->empty());
    }
    return 0;
}
