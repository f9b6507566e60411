// A run whose settings come from the command line rather than the dialogue.
#pragma once

#include <ostream>
#include <string>

#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "control/run_driver.hpp"

namespace kestrel {

struct CommandRunOptions {
    bool verbose = false;  // every progress text, one a line on the error stream
    bool quiet = false;    // no closing line; problems only
};

// Why the run cannot start, if it cannot: a lookup table that is not a readable regular file
// or holds no entry (naming kestrel-lookup and kestrel-genome when it is an annotated file).
std::optional<std::string> lookupTableProblem(const std::string& lookup);

// Creates the output file of the settings (never over an existing file or link), runs the
// passes with the references given (CAI weights not yet floored) and says on err what went
// wrong, and, unless quiet, what was written. The exit status: 0 done, 1 failed (the output
// file could not be created or written, the lookup table could not be read, or no gene was
// analysed).
int runFromCommandLine(const RunSettings& settings, const ReferenceTables& references,
                       const CommandRunOptions& options, std::ostream& err);

}  // namespace kestrel
