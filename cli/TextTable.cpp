#include "TextTable.h"

#include <ostream>
#include <string_view>

#include "base/Text.h"

namespace runwell::cli {

void WriteTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    const std::string text = LayOutColumns(rows);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        std::string_view line(text.data() + start, end - start);
        const std::size_t last = line.find_last_not_of(' ');
        line = line.substr(0, last == std::string_view::npos ? 0 : last + 1);
        out << line << '\n';
    }
}

}  // namespace runwell::cli
