// The prediction's figure fields as typed in the Analysis panel: the device spread, the capacity
// spread and the capacitor leakage. A figure read is within its limits, and the text the field
// then shows reads back within them too; a refusal names the field.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "prediction/PredictionFields.h"

namespace {

void Check(std::string_view text, std::string_view field, double lowest, double highest) {
    const runwell::Result<std::optional<double>> figure =
        runwell::ReadOptionalFigure(text, field, lowest, highest);
    if (!figure) {
        RUNWELL_FUZZ_CHECK(figure.error().message.rfind(field, 0) == 0);
        return;
    }
    if (!*figure) {
        return;
    }
    const double value = **figure;
    RUNWELL_FUZZ_CHECK(std::isfinite(value) && value >= lowest && value <= highest);
    const std::string shown = runwell::OptionalFigureText(value);
    const runwell::Result<std::optional<double>> again =
        runwell::ReadOptionalFigure(shown, field, lowest, highest);
    RUNWELL_FUZZ_CHECK(again.ok() && again->has_value());
    // Six significant digits: the figure shown is the figure in force to that precision.
    RUNWELL_FUZZ_CHECK(std::fabs(**again - value) <= std::fabs(value) * 1e-5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(text, "Device spread (%)", 0.0, runwell::kMaxDeviceSpreadPercent);
    Check(text, "Capacity spread (%)", 0.0, runwell::kMaxCapacitySpreadPercent);
    Check(text, "Capacitor leakage (uA)", 0.0, runwell::kMaxLeakageMicroamps);
    return 0;
}
