// The program's main flow, from the setup dialogue to the closing lines.
#pragma once

#include <istream>
#include <ostream>

#include "analysis/genetic_code.hpp"

namespace kestrel {

class Console;
struct RunContext;

// Runs the whole flow; a halt leaves it through RunHalted.
void runDriver(Console& console, RunContext& run);

// Runs the program on the given console streams, reading the genes with the code, catching
// a halt, and closes the files. The process exit status is always 0.
int runKestrel(std::istream& in, std::ostream& out, const GeneticCode& code = StandardCode);

}  // namespace kestrel
