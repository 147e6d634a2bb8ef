// The discharge log reader and the fitter: a log generated from a known cell gives that cell
// back; a hostile log gives a message naming its line; steady discharges give a capacity point
// the model reproduces them with.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "battery/DeratedLife.h"
#include "cell/BatteryModel.h"
#include "measure/DischargeFit.h"
#include "measure/DischargeLog.h"
#include "measure/ProfileImport.h"
#include "measure/SteadyCapacity.h"

namespace runwell {
namespace {

/// The cell the synthetic logs come from: OCV falling with depth, R0 rising with it, R1 with
/// its time constant.
struct KnownCell {
    double capacityCoulombs = 180.0;  // 50 mAh
    double r1 = 0.05;
    double tau = 5.0;
    double Ocv(double depth) const { return 4.1 - 0.8 * depth - 0.2 * depth * depth; }
    double R0(double depth) const { return 0.1 + 0.05 * depth; }
};

/// A pulsed discharge of `cell` to its full capacity, sampled every `step` seconds: rests at
/// `restAmps`, pulses at `pulseAmps`. The polarisation follows its exact exponential; each
/// sample's current holds until the next sample.
std::string GeneratedLog(const KnownCell& cell, double restSeconds = 60.0,
                         double pulseSeconds = 30.0, double restAmps = 0.01,
                         double pulseAmps = 0.2, double step = 0.1) {
    std::string log = "Time(s),Voltage(V),Current(mA)\n";
    const double decay = std::exp(-step / cell.tau);
    const double cycle = restSeconds + pulseSeconds;
    double charge = 0.0, polarisation = 0.0;
    char line[96];
    for (long k = 0; charge < cell.capacityCoulombs; ++k) {
        const double t = static_cast<double>(k) * step;
        const double phase = std::fmod(t + 1e-9, cycle);
        const double amps = phase < restSeconds ? restAmps : pulseAmps;
        const double depth = charge / cell.capacityCoulombs;
        const double volts = cell.Ocv(depth) - amps * cell.R0(depth) - polarisation;
        std::snprintf(line, sizeof line, "%.4f,%.9f,%.9f\n", t, volts, amps * 1e3);
        log += line;
        charge += amps * step;
        polarisation = amps * cell.r1 + (polarisation - amps * cell.r1) * decay;
    }
    return log;
}

DischargeFitOptions Options() {
    DischargeFitOptions options;
    options.battery = "Cell";
    options.logName = "cell.csv";
    options.date = "2026-01-02";
    options.temperatureC = 25.0;
    return options;
}

Result<BatteryModel> Fit(const std::string& log, std::optional<double> cutoff = std::nullopt,
                         const DischargeFitOptions& options = Options()) {
    DischargeFitter fitter(cutoff);
    const Result<std::int64_t> read = ReadDischargeLogText(log, fitter);
    if (!read) {
        return read.error();
    }
    return fitter.Finish(options);
}

void ExpectWithin(double actual, double expected, double fraction, const std::string& what) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * fraction) << what;
}

TEST(DischargeFit, RecoversTheCellALogWasGeneratedFrom) {
    const KnownCell cell;
    const Result<BatteryModel> model = Fit(GeneratedLog(cell));
    ASSERT_TRUE(model) << model.error().message;
    ExpectWithin(model->polarisationSeconds, cell.tau, 0.02, "tau");
    ASSERT_FALSE(model->resistanceVsDepth.empty());
    for (const auto& [depth, r0] : model->resistanceVsDepth.points()) {
        ExpectWithin(r0, cell.R0(depth), 0.02, "R0 at depth " + std::to_string(depth));
    }
    ASSERT_FALSE(model->polarisationVsDepth.empty());
    for (const auto& [depth, r1] : model->polarisationVsDepth.points()) {
        ExpectWithin(r1, cell.r1, 0.02, "R1 at depth " + std::to_string(depth));
    }
    ASSERT_GE(model->openCircuitVoltageVsDepth.points().size(), 10u);
    for (const auto& [depth, ocv] : model->openCircuitVoltageVsDepth.points()) {
        EXPECT_NEAR(ocv, cell.Ocv(depth), 0.005) << "OCV at depth " << depth;
    }
    ASSERT_EQ(model->capacityVsCurrent.points().size(), 1u);
    ExpectWithin(model->capacityVsCurrent.points()[0].second, cell.capacityCoulombs / 3.6, 0.02,
                 "capacity");
    // Average drain: (60 s * 10 mA + 30 s * 200 mA) / 90 s.
    ExpectWithin(model->capacityVsCurrent.points()[0].first, 6.6 / 90.0 * 1e3, 0.02, "drain");

    EXPECT_DOUBLE_EQ(*model->range.lowestCurrentMa, 10.0);
    EXPECT_DOUBLE_EQ(*model->range.highestCurrentMa, 200.0);
    EXPECT_NEAR(*model->range.longestPulseSeconds, 30.0, 0.11);
    EXPECT_DOUBLE_EQ(*model->range.lowestTemperatureC, 25.0);
    EXPECT_DOUBLE_EQ(model->cutoffVoltage, *model->range.lowestEndVoltage);
    ASSERT_TRUE(model->fit);
    EXPECT_EQ(model->fit->log, "cell.csv");
    EXPECT_EQ(model->fit->date, "2026-01-02");
    EXPECT_DOUBLE_EQ(model->fit->highestCurrentMa, 200.0);

    // What the writer makes of it reads back.
    const Result<BatteryModel> back = ParseBatteryModel(WriteBatteryModel(*model));
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back->openCircuitVoltageVsDepth.points().size(),
              model->openCircuitVoltageVsDepth.points().size());
}

TEST(DischargeFit, ShortPulsesAndACutoff) {
    // Pulses of 10 s, two time constants: R0 and tau still come from every step, R1 only from
    // the steps after a rest that relaxed; the cut-off ends the discharge early.
    const KnownCell cell;
    const Result<BatteryModel> model = Fit(GeneratedLog(cell, 60.0, 10.0), 3.4);
    ASSERT_TRUE(model) << model.error().message;
    ExpectWithin(model->polarisationSeconds, cell.tau, 0.02, "tau");
    for (const auto& [depth, r1] : model->polarisationVsDepth.points()) {
        ExpectWithin(r1, cell.r1, 0.02, "R1 at depth " + std::to_string(depth));
    }
    EXPECT_DOUBLE_EQ(model->cutoffVoltage, 3.4);
    EXPECT_LT(model->capacityVsCurrent.points()[0].second, cell.capacityCoulombs / 3.6 * 0.9);
}

TEST(DischargeFit, ManyPulsesShareTheBins) {
    // Some 270 cycles give more figures than the fitter keeps bins for: merged neighbours still
    // give the cell back, in tables of at most kModelTablePoints points.
    KnownCell cell;
    cell.tau = 0.5;
    const Result<BatteryModel> model = Fit(GeneratedLog(cell, 6.0, 3.0, 0.01, 0.2, 0.05));
    ASSERT_TRUE(model) << model.error().message;
    ExpectWithin(model->polarisationSeconds, cell.tau, 0.02, "tau");
    for (const auto* table : {&model->openCircuitVoltageVsDepth, &model->resistanceVsDepth,
                              &model->polarisationVsDepth}) {
        EXPECT_GE(table->points().size(), 20u);
        EXPECT_LE(table->points().size(), kModelTablePoints);
    }
    for (const auto& [depth, r0] : model->resistanceVsDepth.points()) {
        ExpectWithin(r0, cell.R0(depth), 0.02, "R0 at depth " + std::to_string(depth));
    }
    for (const auto& [depth, ocv] : model->openCircuitVoltageVsDepth.points()) {
        EXPECT_NEAR(ocv, cell.Ocv(depth), 0.005) << "OCV at depth " << depth;
    }
    ExpectWithin(model->capacityVsCurrent.points()[0].second, cell.capacityCoulombs / 3.6, 0.02,
                 "capacity");
}

TEST(DischargeFit, SteadyDischargeGivesItsCapacityAtItsDrain) {
    // A cell on a resistor, as a simple bench tester logs it: the current falls with the voltage
    // and never steps, so the log cannot tell the open-circuit voltage from the resistance.
    const KnownCell cell;
    const double ohms = 20.0;
    std::string log = "time(s),voltage(V),current(A)\n";
    double charge = 0.0, counted = 0.0, seconds = 0.0;
    char line[96];
    for (long k = 0; charge < cell.capacityCoulombs; ++k) {
        const double depth = charge / cell.capacityCoulombs;
        const double amps = cell.Ocv(depth) / (ohms + cell.R0(depth));
        const double volts = amps * ohms;
        std::snprintf(line, sizeof line, "%ld,%.6f,%.6f\n", k, volts, amps);
        log += line;
        if (volts >= 3.4) {  // the cut-off below: the charge of the samples before it
            counted += amps;
            seconds = static_cast<double>(k + 1);
        }
        charge += amps;
    }
    DischargeFitOptions options = Options();
    options.citation = "a bench tester's published log";
    options.ratingMah = 60.0;
    options.ratingMa = 1.0;
    const Result<BatteryModel> model = Fit(log, 3.4, options);
    ASSERT_TRUE(model) << model.error().message;
    EXPECT_TRUE(model->openCircuitVoltageVsDepth.empty());
    EXPECT_TRUE(model->resistanceVsDepth.empty());
    EXPECT_TRUE(model->polarisationVsDepth.empty());
    EXPECT_NE(model->comment.find("steady discharge"), std::string::npos) << model->comment;
    EXPECT_EQ(model->sources, "Fitted from the discharge log cell.csv (a bench tester's "
                              "published log)");
    // The log's capacity at its average drain, and the rating at its own drain below it.
    const auto& points = model->capacityVsCurrent.points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0], std::make_pair(1.0, 60.0));
    ExpectWithin(points[1].second, counted / 3.6, 1e-6, "capacity");  // the log rounds
    ExpectWithin(points[1].first, counted / seconds * 1e3, 1e-6, "drain");
    EXPECT_DOUBLE_EQ(model->cutoffVoltage, 3.4);
    EXPECT_FALSE(model->range.longestPulseSeconds);
    EXPECT_LT(*model->range.lowestCurrentMa, *model->range.highestCurrentMa);
    ASSERT_TRUE(model->fit);
    // A rating at the log's own drain adds nothing: the measured capacity stands.
    options.ratingMa = points[1].first;
    const Result<BatteryModel> same = Fit(log, 3.4, options);
    ASSERT_TRUE(same) << same.error().message;
    EXPECT_EQ(same->capacityVsCurrent.points().size(), 1u);
    // The comment names the one point that was not measured, and only when it is there.
    const std::string rated = "The capacity of 60 mAh at 1 mA per cell is the maker's rating";
    EXPECT_NE(model->comment.find(rated), std::string::npos) << model->comment;
    EXPECT_EQ(same->comment.find("rating"), std::string::npos) << same->comment;
}

TEST(DischargeFit, LogsThatFitNoModel) {
    const char* const cases[][2] = {
        {"Time(s),Voltage(V),Current(A)\n0,4,0\n1,4,0\n2,3.9,0\n", "no charge"},
        // Pulses without rests long enough to read the open-circuit voltage.
        {"Time(s),Voltage(V),Current(A)\n0,4,0.1\n1,3.9,0.2\n2,4,0.1\n3,3.9,0.2\n",
         "no open-circuit voltage"},
    };
    for (const auto& [log, expected] : cases) {
        const Result<BatteryModel> model = Fit(log);
        ASSERT_FALSE(model) << log;
        EXPECT_NE(model.error().message.find(expected), std::string::npos)
            << model.error().message;
    }
}

/// A cell with a voltage that falls with depth and a resistance that rises with it, and the
/// maker's rating at a light drain.
BatteryModel ResistiveCell() {
    BatteryModel model;
    model.version = 2;
    model.battery = "Cell";
    model.sources = "a profile";
    model.cutoffVoltage = 3.0;
    model.referenceTemperatureC = 25.0;
    model.capacityVsCurrent = InterpolationTable({{1.0, 60.0}});
    model.openCircuitVoltageVsDepth = InterpolationTable({{0.0, 4.1}, {1.0, 3.1}});
    model.resistanceVsDepth = InterpolationTable({{0.0, 0.5}, {1.0, 2.5}});
    model.range.lowestCurrentMa = 0.5;
    model.range.highestCurrentMa = 20.0;
    return model;
}

/// The charge (mAh per cell) the model's predicted life delivers under a steady drain per cell.
double DeliveredMah(const BatteryModel& model, double drainMa, double endVolts) {
    DeratingConditions conditions;
    conditions.averageCurrent = conditions.peakCurrent =
        drainMa * model.cellsInParallel * 1e6;
    conditions.temperatureC = 25.0;
    conditions.minimumVoltage = endVolts * model.cellsInSeries;
    conditions.steps = {{drainMa * model.cellsInParallel * 1e-3, 3600.0}};
    return ComputeDeratedLife(BatteryRecord{}, &model, conditions).hours * drainMa;
}

TEST(SteadyCapacity, TheModelDeliversWhatTheSteadyDischargeMeasured) {
    SteadyDischarge discharge;
    discharge.drainMa = 100.0;
    discharge.deliveredMah = 40.0;
    discharge.endVolts = 3.4;
    discharge.lowestMa = 80.0;
    discharge.highestMa = 120.0;
    discharge.logs = {"a.csv", "b.csv"};
    const Result<BatteryModel> model =
        WithSteadyCapacity(ResistiveCell(), discharge, "a bench tester's logs");
    ASSERT_TRUE(model) << model.error().message;
    ExpectWithin(DeliveredMah(*model, 100.0, 3.4), 40.0, 1e-6, "reproduced");
    // Taken as it was measured, the capacity would count the drop across the resistance twice.
    BatteryModel raw = ResistiveCell();
    raw.capacityVsCurrent = InterpolationTable({{1.0, 60.0}, {100.0, 40.0}});
    EXPECT_LT(DeliveredMah(raw, 100.0, 3.4), 40.0 * 0.9);
    const auto& points = model->capacityVsCurrent.points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0], std::make_pair(1.0, 60.0));  // the rating stays
    EXPECT_EQ(points[1].first, 100.0);
    EXPECT_GT(points[1].second, 40.0);
    // The range grows to the logs' currents; the sources and comment name the logs and the point.
    EXPECT_EQ(model->range.lowestCurrentMa, 0.5);
    EXPECT_EQ(model->range.highestCurrentMa, 120.0);
    EXPECT_NE(model->sources.find("\nCapacity at 100 mA from the steady discharge logs a.csv, "
                                  "b.csv (a bench tester's logs): 40 mAh per cell on average "
                                  "to 3.4 V"),
              std::string::npos)
        << model->sources;
    EXPECT_NE(model->comment.find("mA per cell is set so that"), std::string::npos);

    // Again on the result: the point at that drain is replaced, not added beside.
    const Result<BatteryModel> again = WithSteadyCapacity(*model, discharge, "");
    ASSERT_TRUE(again) << again.error().message;
    ASSERT_EQ(again->capacityVsCurrent.points().size(), 2u);
    ExpectWithin(again->capacityVsCurrent.points()[1].second, points[1].second, 1e-9, "again");

    // A pack of such cells, two in series and two in parallel, gets the same point per cell.
    BatteryModel pack = ResistiveCell();
    pack.cellsInSeries = pack.cellsInParallel = 2;
    pack.cutoffVoltage = 6.0;
    const Result<BatteryModel> packModel = WithSteadyCapacity(pack, discharge, "");
    ASSERT_TRUE(packModel) << packModel.error().message;
    ExpectWithin(packModel->capacityVsCurrent.points()[1].second, points[1].second, 1e-9, "pack");

    // A cell that is below the end voltage under that drain from the start reaches no capacity.
    discharge.endVolts = 4.05;
    const Result<BatteryModel> below = WithSteadyCapacity(ResistiveCell(), discharge, "");
    ASSERT_FALSE(below);
    EXPECT_NE(below.error().message.find("below the end voltage of 4.05 V from the start"),
              std::string::npos)
        << below.error().message;
    discharge.endVolts = 3.4;
    // A shelf life that ends before the measured charge is drawn: no capacity reaches it.
    BatteryModel shelved = ResistiveCell();
    shelved.shelfLifeYears = 3e-5;  // about 16 minutes, two thirds of the 24 the charge takes
    const Result<BatteryModel> cut = WithSteadyCapacity(shelved, discharge, "");
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().message.find("No capacity at 100 mA"), std::string::npos)
        << cut.error().message;
    discharge.deliveredMah = 0.0;
    EXPECT_FALSE(WithSteadyCapacity(ResistiveCell(), discharge, ""));
}

TEST(SteadyCapacity, ReadsSteadyLogsToTheEndVoltageAndRefusesTheRest) {
    const ScratchFolder folder;
    const auto write = [&folder](const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
        return folder / name;
    };
    // 10 mA for 100 s a sample, falling 0.1 V a sample from 4 V: below 3.45 V at the 7th.
    std::string steady = "time(s),voltage(V),current(mA)\n";
    for (int k = 0; k < 10; ++k) {
        steady += std::to_string(k * 100) + "," + std::to_string(4.0 - 0.1 * k) + ",10\n";
    }
    const Result<SteadyDischarge> one = ReadSteadyDischarge(write("one.csv", steady), 3.45);
    ASSERT_TRUE(one) << one.error().message;
    ExpectWithin(one->deliveredMah, 10.0 * 600.0 / 3600.0, 1e-9, "capacity to the end");
    ExpectWithin(one->drainMa, 10.0, 1e-9, "drain");
    EXPECT_EQ(one->logs, std::vector<std::string>{"one.csv"});

    SteadyDischarge other = *one;
    other.drainMa = 30.0;
    other.deliveredMah = 1.0;
    other.lowestMa = 5.0;
    other.highestMa = 40.0;
    other.logs = {"two.csv"};
    const SteadyDischarge mean = AverageOf({*one, other});
    ExpectWithin(mean.drainMa, 20.0, 1e-12, "mean drain");
    ExpectWithin(mean.deliveredMah, (one->deliveredMah + 1.0) / 2.0, 1e-12, "mean capacity");
    EXPECT_EQ(mean.lowestMa, 5.0);
    EXPECT_EQ(mean.highestMa, 40.0);
    EXPECT_EQ(mean.logs, (std::vector<std::string>{"one.csv", "two.csv"}));

    const std::pair<std::string, std::string> refused[] = {
        {"time(s),voltage(V),current(mA)\n0,4,10\n100,3.9,50\n200,3.8,10\n300,3,10\n",
         "current step"},
        {"time(s),voltage(V),current(mA)\n0,4,10\n100,3.9,10\n", "never falls below 3.45 V"},
        {"time(s),voltage(V),current(mA)\n0,4,10\n100,x,10\n", "Line 3"},
    };
    for (const auto& [log, expected] : refused) {
        const Result<SteadyDischarge> read = ReadSteadyDischarge(write("bad.csv", log), 3.45);
        ASSERT_FALSE(read) << log;
        EXPECT_NE(read.error().message.find(expected), std::string::npos)
            << read.error().message;
    }
    EXPECT_FALSE(ReadSteadyDischarge(folder / "missing.csv", 3.45));
}

struct Counter final : DischargeSampleSink {
    void Add(double seconds, double volts, double amps) override {
        samples.push_back({seconds, volts, amps});
    }
    std::vector<std::array<double, 3>> samples;
};

TEST(DischargeLog, ReadsCaptionsUnitsSeparatorsAndComments) {
    Counter counter;
    const Result<std::int64_t> read = ReadDischargeLogText(
        "# bench log\n\n\"Time [ms]\";\"U mV\";Temp;\"I_uA\"\r\n0;3700,5;21;1500\r\n"
        "# pause\n250;3650;21;+2e3\r\n250;3640;21;2000",
        counter);
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(*read, 3);
    ASSERT_EQ(counter.samples.size(), 3u);
    EXPECT_DOUBLE_EQ(counter.samples[0][1], 3.7005);
    EXPECT_DOUBLE_EQ(counter.samples[0][2], 1.5e-3);
    EXPECT_DOUBLE_EQ(counter.samples[1][0], 0.25);
    EXPECT_DOUBLE_EQ(counter.samples[2][2], 2e-3);
}

TEST(DischargeLog, HostileLogsNameTheLine) {
    const std::string header = "time_s,voltage_V,current_A\n";
    const std::string huge = header + "0,4,0.1\n" + std::string(kMaxTraceLine + 10, '1') + "\n";
    const std::pair<std::string, std::string> cases[] = {
        {header + "0,4,0.1\n1,4,abc\n", "Line 3: the current \"abc\" is not a number."},
        {header + "0,4,0.1\n2,4,0.1\n1,4,0.1\n", "Line 4: the time goes back (1 s after 2 s)."},
        {header + "0,4,0.1\n1,4\n", "Line 3: 2 fields where 3 are needed."},
        {header + "0,1e9,0.1\n", "Line 2: the voltage \"1e9\" is out of range."},
        {huge, "Line 3: longer than 65536 bytes; a discharge log holds one sample a line."},
        {header + std::string("0,4,\x01\x00\xff", 7) + "\n",
         "Line 2: the current \"\\x01\\x00"},
        {"Time(s),Current(A)\n0,1\n", "must name a time, a voltage and a current column"},
        {"Time,Voltage(V),Current(A)\n0,4,1\n", "must give each column's unit"},
        {"# only a comment\n", "The log holds no header line naming its columns."},
        {header, "The log holds no sample."},
        {"Time(s),Voltage(V),Current(A)\r0,4,1\r", "lines end with CR alone"},
    };
    for (const auto& [log, expected] : cases) {
        Counter counter;
        const Result<std::int64_t> read = ReadDischargeLogText(log, counter);
        ASSERT_FALSE(read) << log.substr(0, 80);
        EXPECT_NE(read.error().message.find(expected), std::string::npos)
            << read.error().message;
    }
}

}  // namespace
}  // namespace runwell
