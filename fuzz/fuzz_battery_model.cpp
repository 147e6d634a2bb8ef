// Battery model files: the reader, then the derated life over what it read, which must stay
// finite for any file the reader accepts.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "cell/BatteryModel.h"
#include "battery/DeratedLife.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const runwell::Result<runwell::BatteryModel> model = runwell::ParseBatteryModel(content);
    if (!model.ok()) {
        RUNWELL_FUZZ_CHECK(!model.error().message.empty());
        return 0;
    }
    RUNWELL_FUZZ_CHECK(!model->battery.empty());
    runwell::BatteryRecord battery;
    battery.description = model->battery;
    battery.capacityMah = 1000;
    battery.selfDischargePercent = 1.0f;
    // A small and a large drain, cold and hot, with a peak ten times the average: a tenth of
    // each second at the peak, the rest at rest, so a polarisation is walked too.
    for (const double average : {1e3, 5e7}) {
        for (const double celsius : {-40.0, 60.0}) {
            const runwell::DeratedLife life = runwell::ComputeDeratedLife(
                battery, &*model,
                {average, average * 10.0, celsius, std::nullopt,
                 {{average * 10.0 / 1e9, 0.1}, {0.0, 0.9}}});
            RUNWELL_FUZZ_CHECK(std::isfinite(life.hours) && life.hours >= 0.0);
            RUNWELL_FUZZ_CHECK(std::isfinite(life.usableFraction));
            RUNWELL_FUZZ_CHECK(!life.lifeText.empty());
            RUNWELL_FUZZ_CHECK(life.curve.size() <= runwell::kDeratingSteps + 1);
            for (const runwell::VoltagePoint& point : life.curve) {
                RUNWELL_FUZZ_CHECK(std::isfinite(point.hours) && std::isfinite(point.volts));
            }
        }
    }
    return 0;
}
