// kestrel-compare: whether two sets of genes of KESTREL output files use codons differently.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runCompareTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
