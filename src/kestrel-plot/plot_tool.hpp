// The command line of kestrel-plot.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
// "-" as the input file reads in.
int runPlotTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kestrel
