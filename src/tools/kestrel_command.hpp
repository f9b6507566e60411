// The command line of the analysis program, kestrel: without a lookup table it runs the
// setup dialogue on the console (only the genetic code is taken from the command line);
// with one, it runs the analysis with the options given, without a dialogue.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Runs the program on its arguments (without the program's name), the console being in
// and out; returns the exit status: 0 done (or quit at a menu), 1 the run failed, 2 a wrong
// command line. "--batch LIST" runs many analyses in one process (tools/batch_runs.hpp).
int runKestrelCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kestrel
