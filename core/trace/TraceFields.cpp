#include "trace/TraceFields.h"

#include <charconv>
#include <cstring>
#include <system_error>

#include "base/Text.h"
#include "trace/TraceUnits.h"

namespace runwell::trace {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Unquote(std::string_view field) {
    field = Trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = Trim(field.substr(1, field.size() - 2));
    }
    return field;
}

std::string Normalised(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i + 1 < text.size() && ((c == 0xC2 && static_cast<unsigned char>(text[i + 1]) == 0xB5) ||
                                    (c == 0xCE && static_cast<unsigned char>(text[i + 1]) == 0xBC))) {
            out += 'u';
            ++i;
        } else if (c == 0xB5) {
            out += 'u';
        } else {
            out += LowerAscii(text[i]);
        }
    }
    return out;
}

Caption SplitCaption(std::string_view field) {
    const std::string text = Normalised(Unquote(field));
    const std::size_t open = text.find_first_of("([");
    if (open != std::string::npos) {
        const std::size_t close = text.find_first_of(")]", open + 1);
        const std::string unit = text.substr(open + 1, close == std::string::npos
                                                           ? std::string::npos
                                                           : close - open - 1);
        return {std::string(Trim(text.substr(0, open))), std::string(Trim(unit))};
    }
    // A last word after a blank or '_' is the unit when it reads as one.
    const std::size_t cut = text.find_last_of(" _");
    if (cut != std::string::npos) {
        const std::string last = text.substr(cut + 1);
        if (ParseTimeUnit(last) || ParseCurrentUnit(last) || ParseVoltageUnit(last)) {
            return {std::string(Trim(text.substr(0, cut))), last};
        }
    }
    return {text, {}};
}

bool IsTimeName(std::string_view name) { return name == "t" || name.rfind("time", 0) == 0; }
bool IsCurrentName(std::string_view name) {
    return name == "i" || name.find("current") != std::string_view::npos;
}

bool IsVoltageName(std::string_view name) {
    return name == "u" || name == "v" || name.find("voltage") != std::string_view::npos;
}

char SeparatorOf(std::string_view headerLine) {
    return headerLine.find(';') != std::string_view::npos    ? ';'
           : headerLine.find('\t') != std::string_view::npos ? '\t'
                                                             : ',';
}

void SplitAt(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    while (true) {
        const void* at = std::memchr(line.data(), separator, line.size());
        if (at == nullptr) {
            fields.push_back(line);
            return;
        }
        const auto n = static_cast<std::size_t>(static_cast<const char*>(at) - line.data());
        fields.push_back(line.substr(0, n));
        line.remove_prefix(n + 1);
    }
}

std::string Quoted(std::string_view text) { return QuotedForMessage(text, '"'); }

bool IsBlankOrComment(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    return trimmed.empty() || trimmed.front() == '#';
}

std::string NumberText(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

}  // namespace runwell::trace
