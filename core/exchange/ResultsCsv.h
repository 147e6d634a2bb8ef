#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace runwell {

class Workspace;

/// The mode list as CSV (RFC 4180: fields with a comma, a double quote or a line end are
/// quoted, CR LF line ends), one row per mode under a header: the stored texts and figures
/// (duration in us, currents in nA, charge in nA*us, in fixed notation with the fewest digits
/// that read back as the same float; "nan", "inf" or "-inf" otherwise), the peripherals shown, and the row's
/// time, current and charge cells. Texts are the 8-bit bytes as they are, as in the report.
std::string ResultsCsvOf(const Workspace& workspace);

/// One CSV field, quoted when it needs to be.
std::string CsvField(std::string_view text);
/// One CSV record of `fields`, each quoted when it needs to be, ending with CR LF.
std::string CsvLine(std::initializer_list<std::string> fields);

}  // namespace runwell
