// The four menus of the setup dialogue.
#pragma once

namespace kestrel {

class Console;
struct RunSettings;
struct ReferenceTables;

void mainMenu(Console& console, RunSettings& settings, ReferenceTables& references);
void analysisOptionsMenu(Console& console, RunSettings& settings);
void lookupCheckMenu(Console& console, RunSettings& settings);
void segmentAnalysisMenu(Console& console, RunSettings& settings, ReferenceTables& references);

}  // namespace kestrel
