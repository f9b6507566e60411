// The analysis's options on a command line: one long option per choice of the dialogue,
// named for what it does, shared by kestrel and kestrel-genome. Each fills the one options
// value (RunSettings) whose defaults are the dialogue's.
#pragma once

#include <string>
#include <vector>

#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "tools/command_line.hpp"

namespace kestrel {

// The options below, for a tool's description.
const std::vector<OptionDescription>& analysisOptionDescriptions();

// The usage text's lines that describe them.
extern const char* const AnalysisOptionsUsage;

// Sets in settings what the command line chooses (the genetic code of -g aside, which a
// tool reads with geneticCodeOption). A UsageError for a value that is not one of the
// option's values, and for settings that do not go together (settingsProblem).
void applyAnalysisOptions(const CommandLine& line, RunSettings& settings);

// Reads the reference files the settings name (--rscu, --optimal) into references, with
// the CAI weights computed under the settings' code; a ToolFailure (bad data) for a file
// that cannot be read or is not a reference file.
void readReferenceFiles(const RunSettings& settings, ReferenceTables& references);

}  // namespace kestrel
