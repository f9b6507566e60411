// kestrel-table: one tab-separated table of the gene rows of many output files, and
// optionally one row per file with its gene counts and index medians.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runTableTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
