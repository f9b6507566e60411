// The four menus of the setup dialogue.
#pragma once

namespace kestrel {

class Console;
class OutputFile;
struct RunSettings;
struct ReferenceTables;

// The output file prompt leaves the created file's descriptor in output.
void mainMenu(Console& console, RunSettings& settings, ReferenceTables& references, OutputFile& output);
void analysisOptionsMenu(Console& console, RunSettings& settings);
void lookupCheckMenu(Console& console, RunSettings& settings);
void segmentAnalysisMenu(Console& console, RunSettings& settings, ReferenceTables& references);

}  // namespace kestrel
