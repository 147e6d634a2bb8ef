#pragma once

#include <string>

namespace runwell {

class Workspace;

/// The workspace's profile and results as a JSON document (format "runwell-results", version
/// 1), for scripts: the selections, the current battery (null without one) with its figures and
/// the cells its row shows, every mode with its stored figures and its row's cells, the average
/// and peak currents with their texts and limit verdicts, and the battery life as whole hours
/// (null when it is "?") and as text. Currents in nA, durations in us, charges in nA*us; a
/// figure that is not finite is null. Texts are the 8-bit bytes as Latin-1 characters. Ends
/// with a line feed. Described in docs/data-files.md.
std::string ResultsJsonOf(const Workspace& workspace);

}  // namespace runwell
