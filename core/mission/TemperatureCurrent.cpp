#include "mission/TemperatureCurrent.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace runwell {

namespace {

/// The finite points by rising temperature, equal temperatures merged into their mean current.
std::vector<std::pair<double, double>> Merged(std::span<const std::pair<double, double>> points) {
    std::vector<std::pair<double, double>> sorted;
    sorted.reserve(points.size());
    for (const auto& point : points) {
        if (std::isfinite(point.first) && std::isfinite(point.second)) {
            sorted.push_back(point);
        }
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<double, double>> merged;
    std::size_t i = 0;
    while (i < sorted.size()) {
        std::size_t j = i;
        double sum = 0.0;
        while (j < sorted.size() && sorted[j].first == sorted[i].first) {
            sum += sorted[j].second;
            ++j;
        }
        merged.emplace_back(sorted[i].first, sum / static_cast<double>(j - i));
        i = j;
    }
    return merged;
}

}  // namespace

CurrentAtTemperature CurrentAt(std::span<const std::pair<double, double>> points,
                               double temperatureC) {
    const std::vector<std::pair<double, double>> merged = Merged(points);
    if (merged.empty()) {
        return {0.0, true};
    }
    if (std::isnan(temperatureC) || temperatureC < merged.front().first) {
        return {merged.front().second, true};
    }
    if (temperatureC > merged.back().first) {
        return {merged.back().second, true};
    }
    const auto upper =
        std::lower_bound(merged.begin(), merged.end(), temperatureC,
                         [](const auto& point, double value) { return point.first < value; });
    if (upper->first == temperatureC) {
        return {upper->second, false};
    }
    const auto lower = upper - 1;
    const double share = (temperatureC - lower->first) / (upper->first - lower->first);
    const double low = lower->second;
    const double high = upper->second;
    if (low > 0.0 && high > 0.0) {
        return {std::exp(std::log(low) + share * (std::log(high) - std::log(low))), false};
    }
    return {low + share * (high - low), false};
}

}  // namespace runwell
