// Stand-ins until the menus are written: the main menu runs the two file prompts.
#include "setup/menus.hpp"

#include "control/run_settings.hpp"
#include "setup/file_prompts.hpp"

namespace kestrel {

void mainMenu(Console& console, RunSettings& settings, ReferenceTables&) {
    promptLookupFile(console, settings);
    promptOutputFile(console, settings);
}

void analysisOptionsMenu(Console&, RunSettings& settings) {
    settings.codonUsageOutput = 1;
    settings.noncodingMode = 2;
    settings.startCodonRequired = 1;
    settings.stopCodonRequired = 1;
    settings.allCodonsMustBeGood = 1;
    settings.noPrematureStops = 1;
}

void lookupCheckMenu(Console&, RunSettings& settings) { settings.checkCdsEnds = 1; }

void segmentAnalysisMenu(Console&, RunSettings& settings, ReferenceTables&) {
    settings.segmentBegin = 1;
    settings.segmentEnd = 10;
}

}  // namespace kestrel
