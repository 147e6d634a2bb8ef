#include "TraceCommand.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include "Commands.h"
#include "model/DeviceCatalogue.h"
#include "model/ModeComputation.h"
#include "model/Prompter.h"
#include "model/TraceProfile.h"
#include "model/TraceReader.h"
#include "model/TraceStatistics.h"
#include "model/TraceText.h"
#include "model/Workspace.h"
#include "persist/SettingsFile.h"

namespace runwell::cli {


namespace {

/// Messages of the start-up, one a line with CR LF pairs made single line ends.
class ErrPrompter : public Prompter {
public:
    explicit ErrPrompter(std::ostream& err) : err_(err) {}
    void ShowMessage(const std::string& text, MessageKind) override { Print(text); }
    bool AskOkCancel(const std::string& text, const std::string&) override {
        Print(text + " OK");
        return true;
    }
    void Print(std::string text) {
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                line += text[i];
            }
        }
        while (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        err_ << line << '\n';
    }

private:
    std::ostream& err_;
};

int Usage(std::ostream& err, const std::string& problem) {
    err << "runwell-cli: " << problem << "\n\nUsage:\n" RUNWELL_TRACE_USAGE;
    return kUsage;
}

/// A finite number and nothing after it but `suffix`-free text handed back in `rest`.
bool ReadNumber(std::string_view text, double& value, std::string_view& rest) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    rest = text.substr(static_cast<std::size_t>(ptr - text.data()));
    return true;
}

/// "1.5", "1.5s", "250ms", "40us": seconds.
std::optional<double> ReadTime(std::string_view text) {
    double value = 0.0;
    std::string_view unit;
    if (!ReadNumber(text, value, unit)) {
        return std::nullopt;
    }
    if (unit.empty()) {
        return value;
    }
    const std::optional<TimeUnit> parsed = ParseTimeUnit(unit);
    if (!parsed) {
        return std::nullopt;
    }
    return value * SecondsPer(*parsed);
}

std::optional<double> ReadPlainNumber(std::string_view text) {
    double value = 0.0;
    std::string_view rest;
    if (!ReadNumber(text, value, rest) || !rest.empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int RunTrace(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string_view> file;
    TraceFormat format;
    TraceRange range;
    bool json = false;
    Segmentation segmentation;
    std::optional<std::filesystem::path> data;
    std::optional<std::filesystem::path> profile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg.size() < 2 || arg.front() != '-') {
            if (file) {
                return Usage(err, "trace takes one trace file");
            }
            file = arg;
            continue;
        }
        if (i + 1 >= args.size()) {
            return Usage(err, std::string(arg) + " needs a value");
        }
        const std::string_view value = args[++i];
        const std::string bad = "bad value \"" + std::string(value) + "\" for " + std::string(arg);
        if (arg == "--from" || arg == "--to") {
            const std::optional<double> time = ReadTime(value);
            if (!time) {
                return Usage(err, bad);
            }
            (arg == "--from" ? range.from : range.to) = *time;
        } else if (arg == "--format") {
            if (value != "text" && value != "json") {
                return Usage(err, bad);
            }
            json = value == "json";
        } else if (arg == "--rate") {
            const std::optional<double> rate = ReadPlainNumber(value);
            if (!rate || !(*rate > 0.0)) {
                return Usage(err, bad);
            }
            format.sampleRate = *rate;
        } else if (arg == "--time-unit") {
            format.timeUnit = ParseTimeUnit(value);
            if (!format.timeUnit) {
                return Usage(err, bad);
            }
        } else if (arg == "--current-unit") {
            format.currentUnit = ParseCurrentUnit(value);
            if (!format.currentUnit) {
                return Usage(err, bad);
            }
        } else if (arg == "--tolerance") {
            const std::optional<double> percent = ReadPlainNumber(value);
            if (!percent || !(*percent > 0.0 && *percent <= 1000.0)) {
                return Usage(err, bad);
            }
            segmentation.tolerance = *percent / 100.0;
        } else if (arg == "--data") {
            data = std::filesystem::path(value);
        } else if (arg == "--profile") {
            profile = std::filesystem::path(value);
        } else {
            return Usage(err, "unknown option \"" + std::string(arg) + "\"");
        }
    }
    if (!file) {
        return Usage(err, "trace takes one trace file");
    }

    ErrPrompter prompter(err);
    Result<Workspace> started = Workspace::Start(data ? *data : ExecutableFolder(), prompter);
    if (!started) {
        prompter.Print(started.error().message);
        return kFailed;
    }
    Workspace workspace = std::move(started).value();

    Result<TraceAnalysis> analysis = AnalyseTraceFile(std::filesystem::path(*file), format, range,
                                                      segmentation);
    if (!analysis) {
        prompter.Print(analysis.error().message);
        return kFailed;
    }
    TraceShown shown;
    shown.analysis = std::move(analysis).value();
    shown.batteries = TraceFiguresOnEvery(
        shown.analysis.statistics, workspace.batteries(), workspace.batteryModels(),
        {workspace.deratingTemperature(), workspace.minimumVoltage()});
    shown.currentBattery = workspace.batteryIndex();
    const SleepCurrent sleep =
        LookupSleepCurrent(workspace.device(), workspace.voltage(), workspace.temperature());
    shown.modes = TraceModes(shown.analysis.levels, sleep.nanoamps);
    shown.tolerance = segmentation.tolerance;

    out << (json ? FormatTraceJson(shown) : FormatTraceText(shown));
    out.flush();
    if (!out) {
        return kFailed;
    }
    if (profile) {
        if (sleep.warning) {
            prompter.Print(*sleep.warning);
        }
        workspace.SetModes(shown.modes);
        const Status saved = SaveSettings(workspace, *profile);
        if (!saved) {
            prompter.Print(saved.error().message);
            return kFailed;
        }
    }
    return kDone;
}

}  // namespace runwell::cli
