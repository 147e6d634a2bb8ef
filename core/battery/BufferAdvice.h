#pragma once

#include <optional>
#include <string>

#include "battery/DeratedLife.h"

namespace runwell {

/// A capacitor across the cell that carries the mode whose dip ends the life.
struct BufferAdvice {
    int mode = -1;                  // index of the mode whose dip ended the life without it
    double microfarads = 0.0;       // a standard value (E6 series) that carries it
    double leakageMicroamps = 0.0;  // the capacitor's leakage, drawn all the time
    bool leakageGiven = false;      // false: the default below
    DeratedLife life;               // with the capacitor and its leakage
};

/// The default leakage of a buffer capacitor of `microfarads` across a cell of `volts`:
/// 0.01 uA per uF and volt, the form of aluminium electrolytic makers' leakage limit (United
/// Chemi-Con, "About time-based changes in leakage current": a 35 V 2200 uF part's standard
/// value is 770 uA = 0.01 CV, at 20 C two minutes after the voltage is applied; it falls with
/// time under voltage). Taken at the working voltage, not the rated one.
double DefaultLeakageMicroamps(double microfarads, double volts);

/// When brown-out at a mode ends `without` (the predicted life of `conditions`), the smallest
/// standard capacitance across the cell with which the life reaches 95 % of what an unlimited
/// capacitor gives: the capacitor supplies each mode above the average, so the cell's current
/// rises towards the mode's only with the time constant R0 x C, and the cell recharges it
/// between the modes. `leakageMicroamps` (nothing: the default above) is added to the average.
/// Nothing when the life does not end in a brown-out, there are no modes, or a capacitor
/// cannot lengthen it by 1 %.
std::optional<BufferAdvice> AdviseBuffer(const BatteryRecord& battery, const BatteryModel& model,
                                         const DeratingConditions& conditions,
                                         const DeratedLife& without,
                                         std::optional<double> leakageMicroamps);

/// "A 470 uF capacitor across the cell carries mode 3: predicted life 2 years 1 day 3 hours
/// with its 14.1 uA leakage."
std::string BufferAdviceText(const BufferAdvice& advice);

}  // namespace runwell
