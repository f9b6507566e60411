// The end-of-run summary appended after the last gene row.
#pragma once

#include <ostream>

#include "analysis/cumulative_counts.hpp"

namespace kestrel {

void writeRunSummary(std::ostream& file, const CumulativeCounts& cumulative);

}  // namespace kestrel
