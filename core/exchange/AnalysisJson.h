#pragma once

#include <nlohmann/json.hpp>

namespace runwell {

class Workspace;

/// The charge share of the profile as the results JSON holds it: one object per line (modes,
/// then the self-discharge line when there is a battery, then the total) with the figures and
/// their texts.
nlohmann::ordered_json ChargeShareJson(const Workspace& workspace);

}  // namespace runwell
