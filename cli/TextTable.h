#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace runwell::cli {

/// Writes `rows` (the first is the heading) as columns left-aligned to their widest cell, two
/// blanks apart, with no blanks at a line's end. Widths count columns as TextColumns does: a UTF-8
/// character or an 8-bit file's Latin-1 byte is one column, so no cell runs into the next.
void WriteTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

}  // namespace runwell::cli
