#include "base/Text.h"

#include <algorithm>
#include <cstring>

namespace runwell {
namespace {

unsigned char FoldCase(char c) {
    return FoldAscii(static_cast<unsigned char>(c));
}

}  // namespace

std::vector<std::string_view> SplitFields(std::string_view line) { return SplitTokens(line, ","); }

void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t pos = 0;
    const std::size_t size = line.size();
    while (true) {
        while (pos < size && line[pos] == ',') {
            ++pos;
        }
        if (pos == size) {
            return;
        }
        const void* comma = std::memchr(line.data() + pos, ',', size - pos);
        const std::size_t end =
            comma == nullptr ? size
                             : static_cast<std::size_t>(static_cast<const char*>(comma) - line.data());
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
}

std::vector<std::string_view> SplitTokens(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> fields;
    std::size_t pos = text.find_first_not_of(separators);
    while (pos != std::string_view::npos) {
        const std::size_t end = text.find_first_of(separators, pos);
        if (end == std::string_view::npos) {
            fields.push_back(text.substr(pos));
            break;
        }
        fields.push_back(text.substr(pos, end - pos));
        pos = text.find_first_not_of(separators, end);
    }
    return fields;
}

std::string DecodeNotes(std::string_view line) {
    std::string notes;
    notes.reserve(line.size());
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            notes += "\r\n";
        } else {
            notes += c;
        }
    }
    return notes;
}

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldCase(a[i]);
        const unsigned char y = FoldCase(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(text[i]) != FoldCase(prefix[i])) {
            return false;
        }
    }
    return true;
}

int FindPrefixIgnoringCase(const std::vector<std::string>& entries, std::string_view prefix) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (StartsWithIgnoringCase(entries[i], prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool LineReader::Next(std::string_view& line) {
    if (done_ || rest_.empty()) {
        done_ = true;
        return false;
    }
    ++lineNumber_;
    const void* lf = std::memchr(rest_.data(), '\n', rest_.size());
    if (lf == nullptr) {
        line = rest_;
        rest_ = {};
        done_ = true;
        return true;
    }
    const auto length = static_cast<std::size_t>(static_cast<const char*>(lf) - rest_.data());
    line = rest_.substr(0, length);
    rest_.remove_prefix(length + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return true;
}

std::string QuotedForMessage(std::string_view text, char quote) {
    constexpr std::size_t kShown = 60;
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(1, quote);
    for (const char c : text.substr(0, kShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    if (text.size() > kShown) {
        out += "...";
    }
    return out + quote;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

std::size_t TextColumns(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++columns) {
        const std::size_t length = Utf8SequenceLength(text, i);
        i += length > 0 ? length - 1 : 0;
    }
    return columns;
}

std::string LayOutColumns(const std::vector<std::vector<std::string>>& rows,
                          const std::vector<std::size_t>& minimumWidths, std::size_t gap) {
    std::vector<std::size_t> widths = minimumWidths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        // A row's last cell is not padded, so it widens no column.
        for (std::size_t c = 0; c + 1 < row.size(); ++c) {
            widths[c] = std::max(widths[c], TextColumns(row[c]) + gap);
        }
    }
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            text += row[c];
            if (c + 1 < row.size()) {
                text.append(widths[c] - TextColumns(row[c]), ' ');
            }
        }
        text += '\n';
    }
    return text;
}

}  // namespace runwell
