#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace runwell::cli {

/// Writes `rows` (the first is the heading) as columns left-aligned to their widest cell, two
/// blanks apart, with no blanks at a line's end. Widths count UTF-8 characters, not bytes.
void WriteTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

}  // namespace runwell::cli
