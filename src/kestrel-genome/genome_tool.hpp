// kestrel-genome: from annotated genomes to every result, in one process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runGenomeTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
