// Many runs of one tool in one process, for a workflow that would otherwise start the
// tool once per genome: "TOOL --batch LIST" reads LIST, one run a line. A line is the
// run's log file, its working folder (empty: the tool's own) and its arguments, separated
// by tabs. The runs go one after another, each in its working folder (relative names in
// the list are taken from the folder the tool started in); each run's standard output and
// error go to its log as the run writes them (the way a tool writes an output file: a
// temporary file renamed into place when the run ends), so that a run's messages are never
// held in memory, and "STATUS<TAB>LOG" goes to standard output, so that a caller whose
// batch process died knows which runs finished. A working folder that cannot be entered,
// or a log that cannot be written, fails that run.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

using ToolRun = std::function<int(const std::vector<std::string>& args, std::ostream& log)>;

// Runs every line of the list; 0 when every run succeeded, else 1. A list that cannot be
// read, or a line without a log file, stops the batch before any run (status 1).
int runToolBatch(const std::string& list, std::ostream& out, std::ostream& err, const ToolRun& run);

}  // namespace kestrel
