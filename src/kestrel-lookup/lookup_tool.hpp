// kestrel-lookup: writes a lookup table for the CDS features of annotated GenBank files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the tool on its arguments (without the program name); returns the exit status.
int runLookupTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrel
