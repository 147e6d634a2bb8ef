#include "battery/MinimumVoltage.h"

#include <charconv>
#include <cstdio>

namespace runwell {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Result<std::optional<double>> ReadMinimumVoltage(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::optional<double>{};
    }
    if (text.back() == 'V' || text.back() == 'v') {
        text.remove_suffix(1);
        while (!text.empty() && IsBlank(text.back())) {
            text.remove_suffix(1);
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !(value > 0.0 && value <= 100.0)) {
        return Error{kBadMinimumVoltage};
    }
    return std::optional<double>(value);
}

std::string MinimumVoltageText(std::optional<double> volts) {
    if (!volts) {
        return {};
    }
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, *volts);
        double back = 0.0;
        std::from_chars(text, text + std::char_traits<char>::length(text), back);
        if (back == *volts) {
            break;
        }
    }
    return text;
}

}  // namespace runwell
