#include "persist/ResultsCsv.h"

#include <charconv>
#include <cmath>

#include "model/Workspace.h"

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
    // Fixed notation, the fewest digits that read back as the same float: 5000000, not 5e+06.
    char digits[128];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    return std::string(digits, written.ptr);
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

std::string ResultsCsvOf(const Workspace& workspace) {
    std::string csv =
        "label,operatingMode,frequency,duration_us,totalCurrent_nA,totalCharge_nAus,"
        "systemCurrent_nA,peripherals,time,current,charge";
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
        csv.back() = '\r';
        csv += '\n';
    }
    return csv;
}

}  // namespace runwell
