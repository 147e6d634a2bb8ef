#include <algorithm>
#include <cmath>

#include "measure/ProfileImport.h"

#include "base/Numbers.h"

namespace runwell {

InterpolationTable WithRating(std::vector<std::pair<double, double>> points, double mah,
                              double ma) {
    if (mah > 0.0 && (points.empty() || ma != points.front().first)) {
        points.emplace_back(ma, mah);
    }
    std::sort(points.begin(), points.end());
    return InterpolationTable(std::move(points));
}

Result<BatteryModel> Readable(BatteryModel model, std::string_view lead) {
    if (const Result<BatteryModel> back = ParseBatteryModel(WriteBatteryModel(model)); !back) {
        return Error{std::string(lead) + back.error().message};
    }
    return model;
}

std::string RatingComment(const InterpolationTable& capacity, double mah, double ma) {
    for (const auto& [drain, mahThere] : capacity.points()) {
        if (mah > 0.0 && drain == ma && mahThere == mah) {
            return " The capacity of " + SignificantText(mah, 6) + " mAh at " +
                   SignificantText(ma, 6) + " mA per cell is the maker's rating, not measured.";
        }
    }
    return {};
}

std::vector<std::size_t> ChooseTablePoints(const std::vector<std::array<double, 3>>& points,
                                           std::size_t count) {
    const std::size_t n = points.size();
    if (n <= std::max<std::size_t>(count, 2)) {
        std::vector<std::size_t> all(n);
        for (std::size_t i = 0; i < n; ++i) {
            all[i] = i;
        }
        return all;
    }
    double span[3] = {1.0, 1.0, 1.0};
    for (int k = 1; k < 3; ++k) {
        const auto [low, high] = std::minmax_element(
            points.begin(), points.end(), [k](const auto& a, const auto& b) { return a[k] < b[k]; });
        span[k] = std::max((*high)[k] - (*low)[k], 1e-12);
    }
    std::vector<bool> chosen(n, false);
    chosen.front() = chosen.back() = true;
    for (std::size_t kept = 2; kept < count; ++kept) {
        double worst = 0.0;
        std::size_t worstIndex = 0;
        std::size_t left = 0;
        for (std::size_t i = 1; i < n; ++i) {
            if (chosen[i]) {
                left = i;
                continue;
            }
            std::size_t right = i + 1;
            while (!chosen[right]) {
                ++right;
            }
            const auto& a = points[left];
            const auto& b = points[right];
            const double share = (points[i][0] - a[0]) / (b[0] - a[0]);
            double error = 0.0;
            for (int k = 1; k < 3; ++k) {
                error = std::max(error,
                                 std::fabs(a[k] + share * (b[k] - a[k]) - points[i][k]) / span[k]);
            }
            if (error > worst) {
                worst = error;
                worstIndex = i;
            }
        }
        if (worstIndex == 0) {
            break;  // every point lies on the chosen lines
        }
        chosen[worstIndex] = true;
    }
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < n; ++i) {
        if (chosen[i]) {
            indexes.push_back(i);
        }
    }
    return indexes;
}

}  // namespace runwell
