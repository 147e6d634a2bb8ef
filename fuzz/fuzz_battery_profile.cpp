// A power analyser's battery profile imported as a model: the import fails with a message or
// gives a model the model reader reads back, its tables at most kModelTablePoints long. A steady
// discharge's capacity added to it fails with a message or gives such a model too.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "cell/BatteryModel.h"
#include "measure/ProfileImport.h"
#include "measure/SteadyCapacity.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    runwell::ProfileImportOptions options;
    options.battery = "Cell";
    options.fileName = "profile.json";
    const runwell::Result<runwell::BatteryModel> model =
        runwell::ImportBatteryProfile(content, options);
    if (!model.ok()) {
        RUNWELL_FUZZ_CHECK(!model.error().message.empty());
        return 0;
    }
    for (const auto* table : {&model->openCircuitVoltageVsDepth, &model->resistanceVsDepth}) {
        RUNWELL_FUZZ_CHECK(table->points().size() <= runwell::kModelTablePoints);
    }
    RUNWELL_FUZZ_CHECK(runwell::ParseBatteryModel(runwell::WriteBatteryModel(*model)).ok());
    runwell::SteadyDischarge discharge;
    discharge.drainMa = 200.0;
    discharge.deliveredMah = 0.5 * model->capacityVsCurrent.At(200.0, 100.0);
    discharge.endVolts = model->cutoffVoltage / model->cellsInSeries;
    discharge.lowestMa = 100.0;
    discharge.highestMa = 300.0;
    discharge.logs = {"log.csv"};
    const runwell::Result<runwell::BatteryModel> steady =
        runwell::WithSteadyCapacity(*model, discharge, "bench");
    if (!steady.ok()) {
        RUNWELL_FUZZ_CHECK(!steady.error().message.empty());
        return 0;
    }
    RUNWELL_FUZZ_CHECK(runwell::ParseBatteryModel(runwell::WriteBatteryModel(*steady)).ok());
    return 0;
}
