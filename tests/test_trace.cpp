// Measured current traces: the header forms and refusals (fixtures/trace/headers.tsv), malformed
// lines (fixtures/trace/malformed.tsv), the exact figures over a range (fixtures/trace/ranges.tsv),
// the limits on times, figures and signs, the levels of a three-level trace, the life on a
// battery, and a trace made a profile, saved and reported.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "TableFile.h"
#include "battery/BatteryCatalogue.h"
#include "cell/BatteryModel.h"
#include "estimate/ModeComputation.h"
#include "estimate/ProfileResults.h"
#include "exchange/AnalysisOutput.h"
#include "exchange/Report.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "session/Workspace.h"
#include "trace/TraceDecimation.h"
#include "trace/TraceProfile.h"
#include "trace/TraceReader.h"
#include "trace/TraceStatistics.h"
#include "trace/TraceText.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

std::string Lines(const std::string& cell) { return cell == "-" ? std::string() : cell; }

TraceFormat FormatOf(const std::string& options) {
    TraceFormat format;
    std::istringstream words(options);
    for (std::string word; words >> word;) {
        const std::string value = word.substr(word.find('=') + 1);
        if (word.rfind("tu=", 0) == 0) {
            format.timeUnit = ParseTimeUnit(value);
        } else if (word.rfind("cu=", 0) == 0) {
            format.currentUnit = ParseCurrentUnit(value);
        } else if (word.rfind("rate=", 0) == 0) {
            format.sampleRate = std::stod(value);
        }
    }
    return format;
}

TEST(TraceReader, HeaderFormsAndRefusals) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/trace/headers.tsv");
    ASSERT_GE(table.size(), 25u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_EQ(row.size(), 5u) << row[0];
        const std::string text = row[1] + "\n" + Lines(row[2]);
        const Result<TraceAnalysis> analysis = AnalyseTraceText(text, FormatOf(row[3]), {}, {});
        if (row[4].front() == '!') {
            ASSERT_FALSE(analysis.ok()) << row[0];
            EXPECT_NE(analysis.error().message.find(row[4].substr(1)), std::string::npos)
                << row[0] << ": " << analysis.error().message;
            continue;
        }
        ASSERT_TRUE(analysis.ok()) << row[0] << ": " << analysis.error().message;
        EXPECT_EQ(analysis->read.malformedLines, 0) << row[0];
        double duration = 0.0, average = 0.0, peak = 0.0;
        std::istringstream(row[4]) >> duration >> average >> peak;
        const TraceStatistics& s = analysis->statistics;
        EXPECT_DOUBLE_EQ(s.duration, duration) << row[0];
        EXPECT_NEAR(s.average, average, average * 1e-12) << row[0];
        EXPECT_NEAR(s.peak, peak, peak * 1e-12) << row[0];
    }
}

TEST(TraceReader, MalformedLinesAreNamedAndSkipped) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/trace/malformed.tsv");
    ASSERT_GE(table.size(), 5u);
    for (const std::vector<std::string>& row : table) {
        ASSERT_GE(row.size(), 3u) << row[0];
        TraceAccumulator sink;
        const Result<TraceReadSummary> read = ReadTraceText(row[1], {}, sink);
        if (row[2].front() == '!') {
            ASSERT_FALSE(read.ok()) << row[0];
            EXPECT_EQ(read.error().message, row[2].substr(1)) << row[0];
            continue;
        }
        ASSERT_TRUE(read.ok()) << row[0] << ": " << read.error().message;
        EXPECT_EQ(read->samples, std::stoll(row[2])) << row[0];
        EXPECT_EQ(read->malformedLines, std::stoll(row[3])) << row[0];
        std::vector<std::string> expected(row.begin() + 4, row.end());
        std::vector<std::string> problems;
        for (const TraceProblem& problem : read->problems) {
            const std::string prefix = "Line " + std::to_string(problem.line) + ": ";
            EXPECT_EQ(problem.message.rfind(prefix, 0), 0u) << problem.message;
            std::string message = problem.message.substr(prefix.size());
            problems.push_back(std::to_string(problem.line) + ":" +
                               message.substr(0, message.size() - 1));  // the final '.'
        }
        EXPECT_EQ(problems, expected) << row[0];
    }
}

// A missing file or a folder is refused; a line longer than the limit is malformed and not held;
// a file read in blocks gives what the same text gives, with lines across the blocks' edges.
TEST(TraceReader, RefusedFilesLongLinesAndBlockEdges) {
    TraceAccumulator sink;
    const Result<TraceReadSummary> missing =
        ReadTraceFile(fs::path(RUNWELL_FIXTURES) / "trace/no-such-file.csv", {}, sink);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "Cannot open file for reading.");
    EXPECT_FALSE(ReadTraceFile(RUNWELL_FIXTURES, {}, sink).ok());

    std::string text = "Time(us),Current(nA)\n0,1\n" + std::string(kMaxTraceLine + 1, '7') +
                       "\n" + std::string(kMaxTraceLine, '8') + "\n";
    for (int k = 1; k < 40000; ++k) {
        text += std::to_string(k) + "," + std::to_string(k % 7) + (k % 2 ? "\r\n" : "\n");
    }
    text += "40000,3\r";  // no line end at the very end
    const ScratchFolder folder;
    TraceAccumulator fromText;
    TraceAccumulator fromFile;
    const Result<TraceReadSummary> a = ReadTraceText(text, {}, fromText);
    const Result<TraceReadSummary> b = ReadTraceFile(folder.Put("blocks.csv", text), {}, fromFile);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(a->samples, 40001);
    EXPECT_EQ(b->samples, a->samples);
    ASSERT_EQ(a->malformedLines, 2);
    EXPECT_EQ(a->problems[0].message, "Line 3 is longer than 65536 bytes.");
    EXPECT_EQ(a->problems[1].line, 4);  // at the limit: read, and not a number
    EXPECT_EQ(b->malformedLines, 2);
    EXPECT_EQ(b->problems[0].message, a->problems[0].message);
    EXPECT_DOUBLE_EQ(fromFile.Finish()->charge, fromText.Finish()->charge);

    const Result<TraceReadSummary> header =
        ReadTraceText(std::string(kMaxTraceLine + 1, 'T') + "\n0,1\n", {}, sink);
    ASSERT_FALSE(header.ok());
    EXPECT_EQ(header.error().message, "The header line 1 is longer than 65536 bytes.");
}

// Many malformed lines keep only the first hundred messages, and the samples between them
// still count.
TEST(TraceReader, ProblemsStayBounded) {
    TraceAccumulator sink;
    TraceParser parser({}, sink);
    ASSERT_TRUE(parser.Feed("Time(us),Current(nA)"));
    for (int i = 0; i < 200000; ++i) {
        parser.Feed(std::to_string(i) + ",7");
        parser.Feed("broken");
    }
    const Result<TraceReadSummary> read = parser.Finish();
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->samples, 200000);
    EXPECT_EQ(read->malformedLines, 200000);
    ASSERT_EQ(read->problems.size(), TraceReadSummary::kMaxProblems);
    EXPECT_EQ(read->problems.back().line, 201);
    const Result<TraceStatistics> s = sink.Finish();
    ASSERT_TRUE(s.ok());
    EXPECT_NEAR(s->average, 7.0, 1e-9);
    EXPECT_NEAR(s->duration, 0.2, 1e-12);
}

// At a fixed rate a sample's time is k / rate: once that passes the time limit the line is
// malformed, as a time read from a column would be, and the figures end at the limit.
TEST(TraceReader, SamplesAtAFixedRateStayWithinTheTimeLimit) {
    TraceFormat format;
    format.sampleRate = kMinSampleRate;  // one sample in 10^6 s: sample 10^6 is at the limit
    TraceAccumulator sink({}, 1.0 / kMinSampleRate);
    TraceParser parser(format, sink);
    ASSERT_TRUE(parser.Feed("I(nA)"));
    for (int k = 0; k <= 1000001; ++k) {
        parser.Feed("5");
    }
    const Result<TraceReadSummary> read = parser.Finish();
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->samples, 1000001);
    ASSERT_EQ(read->problems.size(), 1u);
    EXPECT_EQ(read->problems[0].message,
              "Line 1000003: the time at the sample rate, 1.000001e+12 s, is out of range.");
    const Result<TraceStatistics> s = sink.Finish();
    ASSERT_TRUE(s.ok()) << s.error().message;
    EXPECT_EQ(s->start, 0.0);
    EXPECT_EQ(s->end, kMaxTraceSeconds + 1e6);  // the last sample lasts one period
}

// A file whose lines end with CR alone is one line; longer than a line may be, it is refused
// with the same reason, read from a file or from memory.
TEST(TraceReader, LongFileWithCrAloneIsNamed) {
    std::string text = "Time(s),Current(uA)\r";
    for (int k = 0; text.size() <= kMaxTraceLine; ++k) {
        text += std::to_string(k) + ",5\r";
    }
    const ScratchFolder folder;
    TraceAccumulator sink;
    for (const Result<TraceReadSummary>& read :
         {ReadTraceText(text, {}, sink), ReadTraceFile(folder.Put("mac.csv", text), {}, sink)}) {
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().message,
                  "The trace's lines end with CR alone; save it with LF or CR LF line ends.");
    }
}

TEST(TraceStatistics, ExactFiguresOverRanges) {
    const auto table = ReadTable(RUNWELL_FIXTURES "/trace/ranges.tsv");
    ASSERT_GE(table.size(), 9u);
    const auto bound = [](const std::string& cell) {
        return cell == "-" ? std::nullopt : std::optional<double>(std::stod(cell));
    };
    for (const std::vector<std::string>& row : table) {
        ASSERT_EQ(row.size(), 4u) << row[0];
        const Result<TraceAnalysis> a =
            AnalyseTraceText("Time(s),Current(nA)\n0,100\n1,300\n2,200\n3,400\n", {},
                             {bound(row[1]), bound(row[2])}, {});
        std::string figures = a.ok() ? std::to_string(a->statistics.samples) : "!" + a.error().message;
        if (a.ok()) {
            const TraceStatistics& s = a->statistics;
            for (const double value :
                 {s.start, s.end, s.duration, s.charge, s.average, s.peak, s.rms}) {
                char text[32];
                std::snprintf(text, sizeof text, " %.12g", value);
                figures += text;
            }
        }
        EXPECT_EQ(figures, row[3]) << row[0];
    }
}

// Figures that single precision cannot hold, an average not above zero and a level too large to
// be a mode are refused, never shown saturated or with a negative life. Samples beyond the
// reader's limits come straight to the accumulator here; the reader never hands them on.
TEST(TraceStatistics, FiguresThatCannotBeUsedAreRefused) {
    struct Sample {
        double time;     // s
        double current;  // nA
    };
    const std::string tooLarge = "The trace's figures are too large to be represented; check its units.";
    const struct {
        const char* name;
        std::vector<Sample> samples;
        const char* message;
    } cases[] = {
        {"currents beyond a float", {{0, 1e300}, {1, 1e300}}, tooLarge.c_str()},
        {"sums beyond a double", {{0, 1e300}, {1e300, 1e300}}, tooLarge.c_str()},
        {"charge beyond a float", {{0, 1e21}, {1e12, 1e21}}, tooLarge.c_str()},
        {"negative average",
         {{0, -5000}, {1, 1000}},
         "The average current is -2 uA, not above zero; check the probe's zero offset."},
        {"zero average",
         {{0, 0}, {1, 0}},
         "The average current is 0 nA, not above zero; check the probe's zero offset."},
        {"large negative average, shown with its sign and unit",
         {{0, -5e9}, {1, -5e9}},
         "The average current is -5000 mA, not above zero; check the probe's zero offset."},
        // A level of -4e38 nA for 1 us, then 1e38 nA for 5 us: the figures fit, the level not.
        {"level beyond a float",
         {{0, -4e38}, {1e-6, 1e38}, {3.5e-6, 1e38}},
         "The trace's level 1 is too large to be stored as a mode; check its units."},
        {"largest figures that fit", {{-1e12, 1e15}, {0, 1e15}, {1e12, 1e15}}, nullptr},
    };
    for (const auto& c : cases) {
        TraceAccumulator accumulator({}, 0.0, Segmentation{});
        for (const Sample& sample : c.samples) {
            accumulator.Add(sample.time, sample.current);
        }
        const Result<TraceStatistics> s = accumulator.Finish();
        if (c.message == nullptr) {
            ASSERT_TRUE(s.ok()) << c.name << ": " << s.error().message;
            continue;
        }
        ASSERT_FALSE(s.ok()) << c.name;
        EXPECT_EQ(s.error().message, c.message) << c.name;
    }
}

/// 1 kHz samples: 2 uA sleep, 8 mA bursts of 20 ms, 150 uA for 100 ms, each with +-3 % of noise.
std::string ThreeLevelTrace() {
    struct Stretch {
        double current;  // nA
        int samples;
    };
    const Stretch stretches[] = {{2000, 500}, {8e6, 20}, {2000, 300}, {150000, 100},
                                 {2000, 60},  {8e6, 20}, {2000, 200}};
    std::string text = "Time(ms),Current(nA)\n";
    int k = 0;
    for (const Stretch& stretch : stretches) {
        for (int i = 0; i < stretch.samples; ++i, ++k) {
            const double noise = (k % 3 == 0 ? 0.03 : k % 3 == 1 ? -0.03 : 0.0);
            text += std::to_string(k) + "," + std::to_string(stretch.current * (1 + noise)) + "\n";
        }
    }
    return text;
}

TEST(TraceSegmentation, ThreeLevelsBecomeThreeModes) {
    const std::string trace = ThreeLevelTrace();
    const Result<TraceAnalysis> a = AnalyseTraceText(trace, {}, {}, Segmentation{});
    ASSERT_TRUE(a.ok()) << a.error().message;
    ASSERT_EQ(a->levels.size(), 3u);
    // Each level's mean is its nominal current but for what is left of the noise.
    const double durations[] = {1.060, 0.040, 0.100};
    const double currents[] = {2000, 8e6, 150000};
    const std::int64_t segments[] = {4, 2, 1};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(a->levels[i].duration, durations[i], 1e-12) << i;
        EXPECT_NEAR(a->levels[i].current, currents[i], currents[i] * 1e-2) << i;
        EXPECT_EQ(a->levels[i].segments, segments[i]) << i;
    }
    // The levels hold the whole charge.
    double charge = 0.0;
    for (const TraceLevel& level : a->levels) {
        charge += level.duration * level.current;
    }
    EXPECT_NEAR(charge, a->statistics.charge, a->statistics.charge * 1e-12);

    // A tolerance below the noise splits the sleep level; a ramp with a tiny one is refused.
    const Result<TraceAnalysis> fine = AnalyseTraceText(trace, {}, {}, Segmentation{0.01});
    ASSERT_TRUE(fine.ok());
    EXPECT_GT(fine->levels.size(), 3u);
    std::string ramp = "Time(s),Current(uA)\n";
    for (int k = 0; k < 1000; ++k) {
        ramp += std::to_string(k) + "," + std::to_string(1 + k) + "\n";
    }
    const Result<TraceAnalysis> refused = AnalyseTraceText(ramp, {}, {}, Segmentation{0.001});
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message,
              "The trace splits into more than 200 levels; raise the tolerance.");
}

// The plot's buckets double in width as the trace grows and keep every extreme.
TEST(TraceDecimation, BucketsWidenAndKeepExtremes) {
    TraceDecimator decimator(4);
    const double currents[] = {5, -1, 7, 2, 9, 3, 3, 3, -4, 8};
    for (int t = 0; t < 10; ++t) {
        decimator.Add(t, currents[t]);
    }
    const std::vector<TraceBucket> buckets = decimator.Buckets();
    ASSERT_EQ(buckets.size(), 3u);
    const double expected[3][4] = {{0, 4, -1, 7}, {4, 8, 3, 9}, {8, 12, -4, 8}};
    for (std::size_t i = 0; i < 3; ++i) {
        const TraceBucket& b = buckets[i];
        EXPECT_EQ((std::vector<double>{b.start, b.end, b.low, b.high}),
                  std::vector<double>(expected[i], expected[i] + 4));
    }
    // Samples at one time only make one bucket.
    TraceDecimator still(4);
    still.Add(2, 1);
    still.Add(2, 3);
    ASSERT_EQ(still.Buckets().size(), 1u);
    EXPECT_EQ(still.Buckets()[0].high, 3);
}

// A trace's figures on a battery are a profile's at the trace's average and peak: the life, and
// the derated life the window shows at the selected temperature and minimum voltage; a battery
// without a model shows "no model".
TEST(TraceProfile, FiguresOnEveryBatteryAreTheProfileResults) {
    TraceStatistics s;
    s.average = 10000;  // 1000 mAh at 10 uA: 100,000 hours
    s.peak = 20000.9;   // 20 uA x 1000 ohm: 0.02 V below the open-circuit 3.0 V
    const TraceBatteryFigures ideal = TraceFiguresOn(s, IdealBattery());
    EXPECT_EQ(ideal.lifeText, "11 years 151 days 16 hours");
    EXPECT_EQ(ideal.averageText, "10 uA");
    EXPECT_EQ(ideal.peakText, "20 uA");  // whole nanoamperes, as a profile's peak
    EXPECT_FALSE(ideal.averageWarning || ideal.peakWarning);

    const Result<BatteryModel> model = ParseBatteryModel(R"({
        "format": "runwell-battery-model", "version": 1, "battery": "Ideal", "sources": ["test"],
        "cutoffVoltage": 2.0,
        "capacityFactorVsTemperature": {"source": "s", "points": [[0, 0.5], [25, 1]]},
        "openCircuitVoltageVsDepth": {"source": "s", "points": [[0, 3.0], [1, 3.0]]},
        "resistanceVsDepth": {"source": "s", "points": [[0, 1000]]},
        "selfDischarge": {"source": "s", "percentPerYearAt20C": 0}
    })");
    ASSERT_TRUE(model.ok()) << model.error().message;
    const std::vector<BatteryRecord> batteries = {IdealBattery(), IdealBattery()};
    const std::vector<std::optional<BatteryModel>> models = {*model};  // the second has none
    const struct {
        TraceDerating derating;
        const char* first;
    } cases[] = {
        {{25.0, std::nullopt}, "11 years 151 days 16 hours (capacity)"},
        {{0.0, std::nullopt}, "5 years 258 days 8 hours (capacity)"},  // half the capacity
        {{25.0, 2.97}, "11 years 151 days 16 hours (capacity)"},       // 2.98 V stays above
        {{25.0, 2.99}, "? (brown-out at peak current)"},               // below from the start
    };
    for (const auto& c : cases) {
        const std::vector<TraceBatteryFigures> rows =
            TraceFiguresOnEvery(s, batteries, models, c.derating);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].deratedText, c.first) << c.derating.temperatureC;
        EXPECT_EQ(rows[0].lifeText, ideal.lifeText);  // the classic life stays
        EXPECT_EQ(rows[1].deratedText, "no model");
    }

    BatteryRecord coin;
    coin.description = "Coin";
    coin.capacityMah = 220;
    coin.selfDischargeCurrent = 3055.5554f;  // 1 %/month
    coin.maxContinuousCurrent = 10000;
    coin.maxPulseCurrent = 15000;
    s.average = 5000;
    const TraceBatteryFigures figures = TraceFiguresOnEvery(s, {IdealBattery(), coin}).at(1);
    EXPECT_EQ(figures.lifeText, "3 years 42 days 22 hours");
    EXPECT_EQ(figures.capacity, "220 mAh");
    EXPECT_EQ(figures.averageText, "5 uA");
    EXPECT_EQ(figures.peakText, "20 uA (> pulse battery current)");
    EXPECT_TRUE(figures.peakWarning);
    EXPECT_EQ(figures.deratedText, "no model");
}

// JSON text is UTF-8: UTF-8 in a caption passes, a Latin-1 byte becomes its character, quotes
// and control characters are escaped; the document says what it is.
TEST(TraceOutput, JsonStringsAreValidUtf8) {
    TraceShown shown;
    shown.analysis.read.layout.currentName = "I \xc2\xb5\xb5\"\t";
    const std::string json = TraceJsonOf(shown);
    EXPECT_TRUE(json.starts_with("{\n  \"format\": \"runwell-trace\",\n  \"version\": 1,\n"))
        << json;
    EXPECT_NE(json.find("\"current\": \"I \xc2\xb5\xc2\xb5\\\"\\t\""), std::string::npos)
        << json;
}

// The figures a script reads are numbers: a life that cannot be told and a derated life without
// a model are null (empty in the CSV), never a text a script would have to parse; figures that
// are not finite are null too.
TEST(TraceOutput, NumbersNotTexts) {
    TraceShown shown;
    shown.analysis.statistics.average = 259000.0;
    shown.analysis.statistics.rms = std::numeric_limits<double>::infinity();
    TraceBatteryFigures told;
    told.description = "Coin, \"CR2032\"";
    told.capacityMah = 225;
    told.lifeHours = 866;
    told.lifeText = " 36 days 2 hours";
    told.hasModel = true;
    told.deratedHours = 861.23456;
    told.limitingFactor = "capacity";
    TraceBatteryFigures untold;
    untold.description = "Lith\xb5m";
    untold.lifeText = "?";
    untold.deratedText = "no model";
    untold.peakWarning = true;
    shown.batteries = {told, untold};
    shown.currentBattery = 1;

    const std::string json = TraceJsonOf(shown);
    for (const char* expected :
         {"\"average\": 259000.0", "\"rms\": null", "\"hours\": 866", "\"hours\": 861.235",
          "\"limitingFactor\": \"capacity\"", "\"description\": \"Lith\xc2\xb5m\"",
          "\"hours\": null,\n        \"text\": \"?\"", "\"limitingFactor\": null"}) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    }
    EXPECT_EQ(TraceCsvOf(shown),
              "index,description,current,capacityMah,lifeHours,life,averageOverLimit,"
              "peakOverLimit,deratedHours,deratedLife,limitingFactor\r\n"
              "0,\"Coin, \"\"CR2032\"\"\",0,225,866, 36 days 2 hours,0,0,861.235,,capacity\r\n"
              "1,Lith\xb5m,1,0,,?,0,1,,no model,\r\n");
}

// Captions are quoted as the reader's messages quote them, so a file's control bytes never reach
// a terminal and a long caption is cut.
TEST(TraceText, CaptionsAreQuotedAsMessagesQuoteThem) {
    TraceLayout layout;
    layout.timeColumn = 0;
    layout.timeName = "Time\x1b]0;owned\x07(s)";
    layout.currentName = std::string(70, 'I');
    EXPECT_EQ(TraceLayoutText(layout), "header on line 0, time \"Time\\x1B]0;owned\\x07(s)\" in s, "
                                       "current \"" + std::string(60, 'I') +
                                           "...\" in A, separated by ','");
}

// Times before the trace's zero and a level below zero keep their sign and their unit, where
// the plain formats would count them down to the integer minimum.
TEST(TraceText, NegativeFiguresKeepTheirSign) {
    TraceStatistics s;
    s.start = -2.5;
    s.end = -1e-5;
    s.duration = 2.49999;
    s.average = 3000;
    s.peak = 5e6;
    s.charge = -4000;  // figures as the texts are given them, whatever their sums
    const std::vector<TraceFigureLine> lines = TraceFigureLines(s);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1].value, "-2.5 S");
    EXPECT_EQ(lines[2].value, "-10 uS");
    EXPECT_EQ(lines[7].value, "-1.111 nAh");

    TraceShown shown;
    shown.analysis.statistics = s;
    ModeRecord below;
    below.label = "Trace 1";
    below.duration = 1e6f;          // 1 s
    below.totalCurrent = -5000.0f;  // -5 uA
    below.totalCharge = -5e9f;
    shown.modes = {below};
    const std::string text = FormatTraceText(shown);
    EXPECT_NE(text.find("Trace 1     1 S/100%          -5 uA         -1.389 nAh\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("2147483648"), std::string::npos) << text;
}

// A level's mode holds its mean, which lies below its measured peak; the peak sample is a mode of
// its own, so the profile's peak is the trace's (the pulse limit is checked against it) and its
// average stays the trace's. A level of one value, and one at or below zero, stay whole.
TEST(TraceProfile, ModesKeepTheMeasuredPeak) {
    struct Case {
        const char* name;
        const char* samples;  // "time,current" lines, ms and uA
        std::size_t modes;
        double tolerance;
    };
    const Case cases[] = {
        {"noisy level, peak in its middle", "0,100\n1,110\n2,120\n3,105\n4,100\n", 2, 0.25},
        {"peak at the level's first sample", "0,120\n1,100\n2,101\n3,100\n", 2, 0.25},
        {"two levels, each with its peak", "0,2\n1,2.2\n2,2\n3,900\n4,1000\n5,950\n6,2\n", 4,
         0.25},
        {"one value", "0,5\n1,5\n2,5\n", 1, 0.25},
        {"a level below zero and a burst", "0,-3\n1,-2.9\n2,-3.1\n3,2000\n4,-3\n", 2, 0.25},
        {"a peak in a one-sample level", "0,10\n1,1000\n2,10\n3,10\n", 2, 0.01},
        {"peaks far above the level's mean", "0,1\n1,1.24\n2,1\n3,1.24\n4,1\n", 2, 0.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string trace = std::string("Time(ms),Current(uA)\n") + c.samples;
        const Result<TraceAnalysis> a =
            AnalyseTraceText(trace, {}, {}, Segmentation{c.tolerance});
        ASSERT_TRUE(a.ok()) << a.error().message;
        for (const std::uint32_t sleep : {0u, 700u, 1234567u}) {
            const std::vector<ModeRecord> modes = TraceModes(a->levels, sleep);
            EXPECT_EQ(modes.size(), c.modes);
            const ProfileLoad load = ComputeProfileLoad(modes);
            EXPECT_GE(static_cast<float>(load.peak) + 1.0f,
                      static_cast<float>(a->statistics.peak));
            float highest = modes.front().totalCurrent;
            for (const ModeRecord& mode : modes) {
                highest = std::max(highest, mode.totalCurrent);
                EXPECT_GT(mode.duration, 0.0f) << mode.label;
            }
            EXPECT_GE(highest, static_cast<float>(a->statistics.peak));
            EXPECT_NEAR(load.average, a->statistics.average, a->statistics.average * 1e-5);
        }
    }
}

TEST(TraceProfile, TraceToProfileToSettingsToReport) {
    const ScratchFolder scratch;
    const fs::path folder = scratch.path();
    fs::copy(fs::path(RUNWELL_FIXTURES) / "settings/data", folder, fs::copy_options::recursive);
    RecordingPrompter prompter;
    Result<Workspace> first = Workspace::Start(folder, prompter);
    ASSERT_TRUE(first.ok());

    const Result<TraceAnalysis> a = AnalyseTraceText(ThreeLevelTrace(), {}, {}, Segmentation{});
    ASSERT_TRUE(a.ok());
    const SleepCurrent sleep =
        LookupSleepCurrent(first->device(), first->voltage(), first->temperature());
    ASSERT_FALSE(sleep.warning);
    ASSERT_GT(sleep.nanoamps, 0u);
    const std::vector<ModeRecord> modes = TraceModes(a->levels, sleep.nanoamps);
    // Each noisy level and, right after it, its peak sample (1 ms at a 1 kHz rate).
    ASSERT_EQ(modes.size(), 6u);
    EXPECT_EQ(modes[2].label, "Trace 2");
    EXPECT_EQ(modes[3].label, "Trace 2 peak");
    for (const ModeRecord& mode : modes) {
        EXPECT_EQ(mode.operatingMode, "SLEEP");
        EXPECT_EQ(mode.frequency, "0");
        EXPECT_FLOAT_EQ(mode.systemCurrent + static_cast<float>(sleep.nanoamps), mode.totalCurrent);
    }
    EXPECT_FLOAT_EQ(modes[2].duration + modes[3].duration, 40000.0f);
    EXPECT_FLOAT_EQ(modes[3].duration, 1000.0f);
    EXPECT_FLOAT_EQ(modes[3].totalCurrent, 8e6f * 1.03f);
    first->SetModes(modes);
    // The profile's average is the trace's, and its peak the measured one.
    EXPECT_NEAR(first->results().average, a->statistics.average, a->statistics.average * 1e-5);
    EXPECT_GE(static_cast<double>(first->results().peak), std::floor(a->statistics.peak));

    const fs::path settings = folder / "trace.set";
    ASSERT_TRUE(SaveSettings(*first, settings).ok());
    Result<Workspace> second = Workspace::Start(folder, prompter);
    ASSERT_TRUE(second.ok());
    LoadSettings(*second, settings, prompter);
    EXPECT_EQ(second->modes(), modes);
    EXPECT_EQ(BuildReport(*second), BuildReport(*first));
    EXPECT_NE(BuildReport(*second).find("Trace 3"), std::string::npos);
}

}  // namespace
}  // namespace runwell
