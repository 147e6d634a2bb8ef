// The discharge log reader and the fitter over arbitrary bytes: whatever the reader hands on is
// finite and in time order, and a model the fitter makes is one the model reader reads back.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "FuzzCheck.h"
#include "cell/BatteryModel.h"
#include "measure/DischargeFit.h"
#include "measure/DischargeLog.h"
#include "measure/ProfileImport.h"

namespace {

/// Checks what the reader promises about every sample it hands on.
class CheckingSink : public runwell::DischargeSampleSink {
public:
    explicit CheckingSink(runwell::DischargeSampleSink& next) : next_(next) {}
    void Add(double seconds, double volts, double amps) override {
        RUNWELL_FUZZ_CHECK(std::isfinite(seconds) && std::isfinite(volts) && std::isfinite(amps));
        RUNWELL_FUZZ_CHECK(count_ == 0 || seconds >= last_);
        last_ = seconds;
        ++count_;
        next_.Add(seconds, volts, amps);
    }
    long count() const { return count_; }

private:
    runwell::DischargeSampleSink& next_;
    double last_ = 0.0;
    long count_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks a cut-off, the rest is the log.
    const std::optional<double> cutoff =
        data[0] & 1 ? std::optional<double>(0.5 + data[0] / 64.0) : std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    runwell::DischargeFitter fitter(cutoff);
    CheckingSink sink(fitter);
    const runwell::Result<std::int64_t> read = runwell::ReadDischargeLogText(text, sink);
    if (!read.ok()) {
        RUNWELL_FUZZ_CHECK(!read.error().message.empty());
        return 0;
    }
    RUNWELL_FUZZ_CHECK(*read == sink.count() && *read > 0);
    runwell::DischargeFitOptions options;
    options.battery = "Cell";
    options.logName = "log.csv";
    options.date = "2026-01-01";
    options.temperatureC = 20.0;
    options.ratingMah = data[0] & 2 ? 100.0 : 0.0;
    options.ratingMa = 1.0;
    const runwell::Result<runwell::BatteryModel> model = fitter.Finish(options);
    if (!model.ok()) {
        RUNWELL_FUZZ_CHECK(!model.error().message.empty());
        return 0;
    }
    for (const auto* table : {&model->openCircuitVoltageVsDepth, &model->resistanceVsDepth,
                              &model->polarisationVsDepth}) {
        RUNWELL_FUZZ_CHECK(table->points().size() <= runwell::kModelTablePoints);
    }
    RUNWELL_FUZZ_CHECK(runwell::ParseBatteryModel(runwell::WriteBatteryModel(*model)).ok());
    return 0;
}
