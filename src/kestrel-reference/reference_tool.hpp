// kestrel-reference: CAI and Fop reference files built from a genome's own genes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runReferenceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
