#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace runwell {

/// The rows of a tab-separated case table: one case a line, cells split at TAB. Blank lines and
/// lines starting with '#' are skipped. In a cell, \xNN, \r, \n, \t and \\ stand for their bytes,
/// so a case can hold any byte. A table that cannot be read gives no rows.
inline std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::vector<std::string> row(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '\t') {
                row.emplace_back();
            } else if (c != '\\' || i + 1 == line.size()) {
                row.back() += c;
            } else if (const char e = line[++i]; e == 'x' && i + 2 < line.size()) {
                row.back() += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                row.back() += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

/// The parts of `text` between the separators; none for an empty text.
inline std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

/// The texts with `separator` between them (an empty text still gets its separators).
inline std::string Join(const std::vector<std::string>& texts, const std::string& separator) {
    std::string joined;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        joined += (i == 0 ? "" : separator) + texts[i];
    }
    return joined;
}

}  // namespace runwell
