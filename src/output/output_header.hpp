// The output file's header: the record of every user option, verbatim copies of the
// reference files, and the column-header line that fixes the row layout.
#pragma once

#include <ostream>
#include <string>

#include "analysis/run_settings.hpp"

namespace kestrel {

// The column labels for these settings, each padded to its cell's width, ended by a
// newline.
std::string columnHeaderLine(const RunSettings& settings);

// Every header line from "KESTREL output file for: " through the column-header line.
void writeOutputHeader(std::ostream& file, const RunSettings& settings);

}  // namespace kestrel
