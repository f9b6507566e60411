// The program's main flow: the two passes over the lookup table, gene by gene, and the
// end-of-run summary, behind either front end (the setup dialogue or the command line).
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

#include "analysis/genetic_code.hpp"

namespace kestrel {

class Console;
class RunMessages;
struct RunContext;

// What a finished run did.
struct RunOutcome {
    std::int32_t entries = 0;  // entries of the lookup table
    std::int64_t rows = 0;     // genes that got a row (analysis) or were checked
};

// Runs the passes for settings, references and output file set up in run (the output file
// created, the reference tables read); the output file is finished and closed. A failure
// ends the run through messages.fail.
RunOutcome runPasses(RunContext& run, RunMessages& messages);

// The dialogue, then the run, on the given console streams, reading the genes with the
// code. The exit status: 0 for a finished run and for a deliberate quit, 1 for a run that
// stopped on a fault or found no entry in its lookup table.
int runKestrel(std::istream& in, std::ostream& out, const GeneticCode& code = StandardCode);

}  // namespace kestrel
