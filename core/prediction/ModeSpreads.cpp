#include "prediction/ModeSpreads.h"

#include <optional>
#include <utility>

#include "base/Numbers.h"
#include "base/Text.h"
#include "prediction/PredictionFields.h"

namespace runwell {

namespace {

using Spreads = std::vector<std::optional<double>>;

std::optional<double> SpreadOf(const Spreads& spreads, std::size_t mode) {
    return mode < spreads.size() ? spreads[mode] : std::nullopt;
}

/// `spreads` without the trailing modes that have none of their own: the same prediction.
Spreads Trimmed(Spreads spreads) {
    while (!spreads.empty() && !spreads.back()) {
        spreads.pop_back();
    }
    return spreads;
}

}  // namespace

std::vector<ModeSpreadRow> ModeSpreadRows(const std::vector<ModeRecord>& modes,
                                          const PredictionOptions& options) {
    std::vector<ModeSpreadRow> rows;
    rows.reserve(modes.size());
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const ModeRecord& mode = modes[i];
        rows.push_back({std::to_string(i + 1) + "  " + mode.label + " (" + mode.operatingMode +
                            ", " + mode.frequency + ")",
                        OptionalFigureText(SpreadOf(options.modeSpreadPercent, i))});
    }
    return rows;
}

std::string ModeSpreadNote(const PredictionOptions& options) {
    return "Typical to maximum of each mode's current, percent. Empty: the device spread, " +
           SignificantText(options.currentSpreadPercent, 6) + " %.";
}

Result<PredictionOptions> WithModeSpreadTexts(PredictionOptions options,
                                              const std::vector<ModeRecord>& modes,
                                              const std::vector<std::string>& texts) {
    Spreads spreads = options.modeSpreadPercent;
    if (spreads.size() < texts.size()) {
        spreads.resize(texts.size());
    }
    for (std::size_t i = 0; i < texts.size() && i < modes.size(); ++i) {
        // The field shows the figure rounded: as it was shown, it is the figure as it was.
        if (texts[i] == OptionalFigureText(spreads[i])) {
            continue;
        }
        const Result<std::optional<double>> figure =
            ReadOptionalFigure(texts[i],
                               "The spread (%) of mode " + std::to_string(i + 1) + " " +
                                   QuotedForMessage(modes[i].label, '"'),
                               0.0, kMaxDeviceSpreadPercent);
        if (!figure) {
            return figure.error();
        }
        spreads[i] = *figure;
    }
    spreads = Trimmed(std::move(spreads));
    if (spreads != Trimmed(options.modeSpreadPercent)) {
        options.modeSpreadPercent = std::move(spreads);
    }
    return options;
}

}  // namespace runwell
