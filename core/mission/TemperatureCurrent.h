#pragma once

#include <span>
#include <utility>

namespace runwell {

/// A current at a temperature, and whether the temperature lay beyond the characterised ones.
struct CurrentAtTemperature {
    double current;
    bool outside;
};

/// A device mode's current at `temperatureC` from `points`, (temperature C, current) at the
/// device's characterised temperatures, in any order; the currents of equal temperatures are
/// averaged. Between two neighbouring points the current is interpolated linearly in
/// log(current), as leakage grows exponentially with temperature; when either neighbour's
/// current is zero or negative, linearly in the current instead. Beyond the outermost points the
/// nearest point's current holds and `outside` is true. One point: its current, outside unless
/// the temperature is its own. Points holding a NaN or an infinity are passed over; with none
/// left the current is 0 and outside. A NaN temperature gives the lowest point's current,
/// outside.
CurrentAtTemperature CurrentAt(std::span<const std::pair<double, double>> points,
                               double temperatureC);

}  // namespace runwell
