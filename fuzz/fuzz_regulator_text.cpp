// The regulator editor's fields as typed: a figure, a table of "x y" lines and efficiency curves
// under their input voltages. What is read shows as a text that reads back to the same figures;
// a refusal names the field.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "power/RegulatorText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const runwell::Result<double> figure = runwell::ReadFigureField(text, "Quiescent (uA)");
    if (figure) {
        RUNWELL_FUZZ_CHECK(std::isfinite(*figure));
        const runwell::Result<double> again =
            runwell::ReadFigureField(runwell::ExactNumberText(*figure), "Quiescent (uA)");
        RUNWELL_FUZZ_CHECK(again.ok() && *again == *figure);
    } else {
        RUNWELL_FUZZ_CHECK(figure.error().message.rfind("Quiescent (uA)", 0) == 0);
    }

    const runwell::Result<runwell::InterpolationTable> points =
        runwell::ReadPointsText(text, "Dropout");
    if (points) {
        const runwell::Result<runwell::InterpolationTable> again =
            runwell::ReadPointsText(runwell::PointsText(*points), "Dropout");
        RUNWELL_FUZZ_CHECK(again.ok() && again->points() == points->points());
    } else {
        RUNWELL_FUZZ_CHECK(points.error().message.rfind("Dropout", 0) == 0);
    }

    const runwell::Result<std::vector<runwell::EfficiencyCurve>> curves =
        runwell::ReadCurvesText(text, "Efficiency");
    if (curves) {
        const runwell::Result<std::vector<runwell::EfficiencyCurve>> again =
            runwell::ReadCurvesText(runwell::CurvesText(*curves), "Efficiency");
        RUNWELL_FUZZ_CHECK(again.ok() && *again == *curves);
    } else {
        RUNWELL_FUZZ_CHECK(curves.error().message.rfind("Efficiency", 0) == 0);
    }
    return 0;
}
