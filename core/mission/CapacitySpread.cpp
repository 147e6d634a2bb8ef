#include "mission/CapacitySpread.h"

#include <algorithm>
#include <initializer_list>

#include "base/Text.h"

namespace runwell {

namespace {

/// One chemistry: the words that name it and the largest spread of the datasheets found, each
/// spread (typical - minimum) / typical of one cell type.
struct Chemistry {
    std::initializer_list<const char*> words;  // lower case
    double percent;
    const char* source;
};

// Lithium polymer before lithium ion: "lithium ion polymer" names the first.
const Chemistry kChemistries[] = {
    {{"polymer", "lipo", "li-po"},
     100.0 * (130.0 - 125.0) / 130.0,
     "Renata SA, data sheet ICP401230UPR (Rev. Li Ion ICP401230 - 17.07), ratings table: "
     "nominal capacity 130 mAh, minimum capacity 125 mAh (0.2C to 3.0 V at 20 C); "
     "the largest of three lithium polymer datasheets, beside Renata SA product sheet "
     "ICP402025PC-01 V2.0 (2016-03-10) 3.1-3.2: typical 155 mAh, minimum 150 mAh (3.2 %), and "
     "BAK product sheet LP-503759-1S-3 (file no. 20120102, edition 1.0) 3.1: 1300 mAh (min), "
     "1350 mAh (typical) at 0.2C (3.7 %)"},
    {{"li-ion", "lithium ion", "lithium-ion"},
     100.0 * (3200.0 - 3100.0) / 3200.0,
     "NC POWER technology, Rechargeable Li-Ion Battery product sheet ICR18650/3200 "
     "3.7V (2016-05-05), section 3 (cell ratings), items 1-2: nominal capacity 3200 mAh, minimum "
     "capacity 3100 mAh (0.2C standard discharge)"},
    {{"nimh", "ni-mh", "nickel metal hydride", "nickel-metal hydride"},
     100.0 * (1220.0 - 1150.0) / 1220.0,
     "Panasonic, Nickel Metal Hydride Handbook (August 2005), individual data sheet HHR120AA: "
     "discharge capacity average 1220 mAh, rated (min.) 1150 mAh (0.1It for 16 h, discharged "
     "at 0.2It); the larger of two, beside HHR70AAAJ: average 720 mAh, rated (min.) 700 mAh "
     "(2.8 %)"},
};

}  // namespace

std::optional<SpreadFigure> DefaultCapacitySpread(std::string_view chemistryOrBatteryName) {
    std::string lower(chemistryOrBatteryName);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    });
    for (const Chemistry& chemistry : kChemistries) {
        for (const char* word : chemistry.words) {
            if (lower.find(word) != std::string::npos) {
                return SpreadFigure{chemistry.percent, chemistry.source};
            }
        }
    }
    return std::nullopt;
}

}  // namespace runwell
