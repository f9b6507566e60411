// kestrel-growth: a genome's minimal doubling time predicted from the codon usage of its
// genes by the published growth model.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runGrowthTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
