#pragma once

#include <array>
#include <string>
#include <vector>
#include <string_view>

#include "base/Result.h"
#include "cell/BatteryModel.h"

namespace runwell {

/// How an imported battery profile becomes a model.
struct ProfileImportOptions {
    std::string battery;      // the catalogue description the model is for
    std::string fileName;     // the profile's file name, for the model's sources
    std::string citation;     // where the profile was published; optional
    int cellsInSeries = 1;    // the pack the model describes, of cells like the profile's
    int cellsInParallel = 1;
    double statedPulseMa = 0.0;  // the pulse current of a profile that does not state its pulses
    double ratingMah = 0.0;      // the maker's rated capacity per cell at ratingMa; 0: none
    double ratingMa = 0.0;
};

/// The most points a table of an imported or fitted model keeps.
inline constexpr std::size_t kModelTablePoints = 60;

/// Converts a power analyser's battery profile (JSON: a "battery" object with its capacity and
/// nominal voltage, and "dischargetables", each a table of delivered capacity in mAh, open-circuit
/// voltage and internal resistance measured under stated pulses at a temperature) into a model of
/// version 2. Each table becomes the tables of its temperature, resampled to at most
/// kModelTablePoints points where the curves bend most; the table nearest 20 C is the
/// reference. The resistance is the profile's, over its pulse: it stays the resistance seen at
/// once, since a profile holds no time constant. The pulses, temperatures and exit voltage give
/// the measured range. Anything malformed fails with a message naming the table and row.
Result<BatteryModel> ImportBatteryProfile(std::string_view content,
                                          const ProfileImportOptions& options);

/// One battery profile file: its name (for the sources) and content.
struct ProfileFile {
    std::string name;
    std::string_view content;
};

/// The same for the tables of several profiles of one cell (each at its own temperature), the
/// first file's battery standing for them all in messages.
Result<BatteryModel> ImportBatteryProfiles(const std::vector<ProfileFile>& files,
                                           const ProfileImportOptions& options);

/// The sentence a model's comment gets when its capacity table holds the maker's rating it was
/// given (`mah` at `ma`, per cell), so that the one point that was not measured is named; empty
/// when it holds none.
std::string RatingComment(const InterpolationTable& capacity, double mah, double ma);
/// Capacity points (drain, mAh) with the maker's rating `mah` at `ma` added when there is one and
/// no measured point holds its drain, in rising drain.
InterpolationTable WithRating(std::vector<std::pair<double, double>> points, double mah,
                              double ma);

/// `model` when a model file can hold it (written, then read back by the model reader), or an
/// error of `lead` followed by the reader's message: a model made from a measurement is refused
/// when it is made, not when it is loaded.
Result<BatteryModel> Readable(BatteryModel model, std::string_view lead);

/// At most `count` of `points` (rising x), chosen where linear interpolation between the chosen
/// ones errs most; the first and the last are always kept. Each y column is weighed against its
/// own range.
std::vector<std::size_t> ChooseTablePoints(const std::vector<std::array<double, 3>>& points,
                                           std::size_t count);

}  // namespace runwell
