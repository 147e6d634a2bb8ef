// Battery catalogue files: the parser and the seven cells the battery list shows per record.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "battery/BatteryCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    for (const runwell::BatteryRecord& battery : runwell::ParseBatteryRecords(content)) {
        RUNWELL_FUZZ_CHECK(!battery.description.empty());
        RUNWELL_FUZZ_CHECK(std::isfinite(battery.selfDischargePercent));
        RUNWELL_FUZZ_CHECK(std::isfinite(battery.selfDischargeCurrent));
        RUNWELL_FUZZ_CHECK(std::isfinite(battery.maxContinuousCurrent));
        RUNWELL_FUZZ_CHECK(std::isfinite(battery.maxPulseCurrent));
        const std::array<std::string, 7> cells = runwell::BatteryCells(battery);
        RUNWELL_FUZZ_CHECK(cells[0] == battery.description);
        // Cells 1, 2, 4 and 5 are computed from numbers; 3 and 6 are the file's own text.
        for (const std::size_t i : {1u, 2u, 4u, 5u}) {
            RUNWELL_FUZZ_CHECK(!runwell::fuzz::ShowsNonFinite(cells[i]));
        }
    }
    return 0;
}
