#include "power/RegulatorText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <utility>

namespace runwell {
namespace {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlankChar(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankChar(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

/// The whole of `text` as a finite number; from_chars keeps the reading independent of the
/// locale, and the finite check refuses "inf" and "nan", which no file could hold.
std::optional<double> Finite(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

/// The numbers of one line split at blanks; nothing when a word is not a number.
std::optional<std::vector<double>> Numbers(std::string_view line) {
    std::vector<double> numbers;
    while (!(line = Trimmed(line)).empty()) {
        std::size_t end = 0;
        while (end < line.size() && !IsBlankChar(line[end])) {
            ++end;
        }
        const std::optional<double> number = Finite(line.substr(0, end));
        if (!number) {
            return std::nullopt;
        }
        numbers.push_back(*number);
        line.remove_prefix(end);
    }
    return numbers;
}

/// Calls `take(numbers, where)` for each line that is not blank, with the line's numbers (nothing
/// when a word is not one) and the start of a message about it; the first error ends the reading.
template <typename Take>
Status ForEachLine(std::string_view text, std::string_view field, Take take) {
    for (std::size_t number = 1, start = 0; start < text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        // A long line is cut in the message: the line number finds it.
        const std::string shown =
            line.size() > 40 ? std::string(line.substr(0, 40)) + "..." : std::string(line);
        const std::string where =
            std::string(field) + ", line " + std::to_string(number) + ": \"" + shown + "\" ";
        if (Status taken = take(Numbers(line), where); !taken) {
            return taken;
        }
    }
    return {};
}

void AppendPoints(std::string& text, const InterpolationTable& table) {
    for (const auto& [x, y] : table.points()) {
        text += ExactNumberText(x) + ' ' + ExactNumberText(y) + '\n';
    }
}

}  // namespace

std::string ExactNumberText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

Result<double> ReadFigureField(std::string_view text, std::string_view field) {
    const std::optional<double> value = Finite(Trimmed(text));
    if (!value) {
        return Error{std::string(field) + " must be a number."};
    }
    return *value;
}

Result<std::optional<double>> ReadOptionalFigureField(std::string_view text,
                                                      std::string_view field) {
    if (Trimmed(text).empty()) {
        return std::optional<double>{};
    }
    const std::optional<double> value = Finite(Trimmed(text));
    if (!value) {
        return Error{std::string(field) + " must be a number or empty."};
    }
    return value;
}

std::string PointsText(const InterpolationTable& table) {
    std::string text;
    AppendPoints(text, table);
    return text;
}

Result<InterpolationTable> ReadPointsText(std::string_view text, std::string_view field) {
    std::vector<std::pair<double, double>> points;
    const Status read = ForEachLine(
        text, field,
        [&](const std::optional<std::vector<double>>& numbers, const std::string& where) {
            if (!numbers || numbers->size() != 2) {
                return Status{Error{where + "must be two numbers."}};
            }
            points.emplace_back((*numbers)[0], (*numbers)[1]);
            return Status{};
        });
    if (!read) {
        return read.error();
    }
    return InterpolationTable(std::move(points));
}

std::string CurvesText(const std::vector<EfficiencyCurve>& curves) {
    std::string text;
    for (const EfficiencyCurve& curve : curves) {
        text += ExactNumberText(curve.inputVolts) + '\n';
        AppendPoints(text, curve.efficiencyVsLoadMa);
    }
    return text;
}

Result<std::vector<EfficiencyCurve>> ReadCurvesText(std::string_view text, std::string_view field) {
    std::vector<EfficiencyCurve> curves;
    std::vector<std::vector<std::pair<double, double>>> points;
    const Status read = ForEachLine(
        text, field,
        [&](const std::optional<std::vector<double>>& numbers, const std::string& where) {
            if (numbers && numbers->size() == 1) {
                curves.push_back(EfficiencyCurve{numbers->front(), {}});
                points.emplace_back();
                return Status{};
            }
            if (!numbers || numbers->size() != 2) {
                return Status{Error{where + "must be an input voltage (V), or a load (mA) and "
                                            "an efficiency."}};
            }
            if (curves.empty()) {
                return Status{Error{where + "comes before the first input voltage (V); each "
                                            "curve starts with its input voltage on a line of "
                                            "its own."}};
            }
            points.back().emplace_back((*numbers)[0], (*numbers)[1]);
            return Status{};
        });
    if (!read) {
        return read.error();
    }
    for (std::size_t i = 0; i < curves.size(); ++i) {
        curves[i].efficiencyVsLoadMa = InterpolationTable(std::move(points[i]));
    }
    return curves;
}

}  // namespace runwell
