#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace runwell {

/// How far below its typical capacity one cell of a type may deliver, and where that comes from.
struct SpreadFigure {
    double percent;      ///< (typical - minimum) / typical, in percent
    std::string source;  ///< maker, document and the place in it
};

/// The default spread of a cell's capacity for a chemistry, given as the chemistry ("Lithium
/// polymer", "NiMH") or a battery's name that says it ("Li-polymer pouch 1000 mAh"), ASCII case
/// ignored. Only chemistries whose makers publish a minimum beside the typical capacity have a
/// figure: lithium polymer, lithium ion, nickel metal hydride. The primary chemistries (alkaline,
/// lithium manganese dioxide, lithium iron disulfide, lithium thionyl chloride) have none, as no
/// public datasheet found states a minimum for them, and give nothing.
std::optional<SpreadFigure> DefaultCapacitySpread(std::string_view chemistryOrBatteryName);

}  // namespace runwell
