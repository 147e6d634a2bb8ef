#include "exchange/ResultsCsv.h"

#include <charconv>
#include <cmath>

#include "session/Workspace.h"

namespace runwell {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string Number(float value) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    // The fewest significant digits that read back as the same float, laid out in fixed
    // notation: 25305000000 and 0.000015, not 2.5305e+10 and 1.5e-05.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::scientific);
    const std::string_view scientific(buffer, static_cast<std::size_t>(written.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (const char c : scientific.substr(0, e)) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    int exponent = 0;
    const std::string_view power = scientific.substr(e + 1);
    std::from_chars(power.data() + (power.front() == '+' ? 1 : 0), power.data() + power.size(),
                    exponent);
    // The value is 0.DIGITS times ten to the power exponent + 1.
    const int point = exponent + 1;
    std::string text = value < 0 ? "-" : "";
    if (point <= 0) {
        text += "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
        text += digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(point)) + "." +
                digits.substr(static_cast<std::size_t>(point));
    }
    return text;
}

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string CsvLine(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) {
            line += ',';
        }
        line += CsvField(field);
    }
    return line + "\r\n";
}

std::string ResultsCsvOf(const Workspace& workspace) {
    // Through a regulator, each mode's battery current at the cell's middle voltage follows.
    const std::optional<Regulator>& regulator = workspace.predictionOptions().regulator;
    const bool battery = regulator && workspace.prediction().problem.empty() &&
                         workspace.currentBattery() != nullptr;
    const double outputVolts = NumberOfLabel(workspace.voltage()).value_or(0.0);
    std::string csv =
        "label,operatingMode,frequency,duration_us,totalCurrent_nA,totalCharge_nAus,"
        "systemCurrent_nA,peripherals,time,current,charge";
    if (battery) {
        csv += ",batteryCurrent_nA";
    }
    csv += kLineEnd;
    const ProfileResults& results = workspace.results();
    for (std::size_t i = 0; i < workspace.modes().size() && i < results.rows.size(); ++i) {
        const ModeRecord& mode = workspace.modes()[i];
        const ModeCells& cells = results.rows[i];
        for (const std::string& field :
             {CsvField(mode.label), CsvField(mode.operatingMode), CsvField(mode.frequency),
              Number(mode.duration), Number(mode.totalCurrent), Number(mode.totalCharge),
              Number(mode.systemCurrent), CsvField(cells[6]), CsvField(cells[3]),
              CsvField(cells[4]), CsvField(cells[5])}) {
            csv += field;
            csv += ',';
        }
        if (battery) {
            const double amps = BatteryAmps(*regulator, static_cast<double>(mode.totalCurrent) * 1e-9,
                                            outputVolts, workspace.prediction().cellVolts);
            csv += Number(static_cast<float>(amps * 1e9)) + ",";
        }
        csv.back() = '\r';
        csv += '\n';
    }
    return csv;
}

}  // namespace runwell
