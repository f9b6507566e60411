// The output file's header: the record of every user option, verbatim copies of the
// reference files, and the column-header line that fixes the row layout.
#pragma once

#include <ostream>

#include "analysis/run_settings.hpp"

namespace kestrel {

// Every header line from "KESTREL output file for: " through the column-header line.
void writeOutputHeader(std::ostream& file, const RunSettings& settings);

}  // namespace kestrel
