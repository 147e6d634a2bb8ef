// Regulator files: the reader, then the battery current and the lowest cell voltage over a grid
// of loads, outputs and cells, which must stay finite for any file the reader accepts, and the
// writer, whose text the reader must take back unchanged.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "power/Regulator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const runwell::Result<runwell::Regulator> regulator = runwell::ParseRegulator(content);
    if (!regulator.ok()) {
        RUNWELL_FUZZ_CHECK(!regulator.error().message.empty());
        return 0;
    }
    RUNWELL_FUZZ_CHECK(!regulator->name.empty());
    for (const double deviceAmps : {0.0, 1e-9, 1e-6, 1e-3, 0.2, 10.0}) {
        for (const double outputVolts : {0.5, 1.8, 3.3, 12.0}) {
            const double lowest = runwell::MinimumCellVolts(*regulator, outputVolts, deviceAmps);
            RUNWELL_FUZZ_CHECK(std::isfinite(lowest) && lowest > 0.0);
            for (const double cellVolts : {0.05, 0.9, 3.0, 4.2, 100.0}) {
                const double amps =
                    runwell::BatteryAmps(*regulator, deviceAmps, outputVolts, cellVolts);
                RUNWELL_FUZZ_CHECK(std::isfinite(amps) && amps >= 0.0);
            }
        }
        const std::optional<std::string> problem = runwell::OutputProblem(*regulator, 3.3);
        RUNWELL_FUZZ_CHECK(!problem || !problem->empty());
    }
    RUNWELL_FUZZ_CHECK(std::isnan(runwell::BatteryAmps(*regulator, NAN, 3.3, 3.0)));

    const std::string written = runwell::WriteRegulator(*regulator);
    const runwell::Result<runwell::Regulator> again = runwell::ParseRegulator(written);
    RUNWELL_FUZZ_CHECK(again.ok());
    RUNWELL_FUZZ_CHECK(runwell::WriteRegulator(*again) == written);
    return 0;
}
