// kestrel-coa: correspondence analysis of the codon usage of the genes of KESTREL output files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runCoaTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
