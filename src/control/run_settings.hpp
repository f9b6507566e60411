// Every choice the user makes in the setup dialogue. The menus write it; every later
// step only reads it. Each menu sets the defaults of its own fields when it starts, so
// the fields of a menu that never runs keep 0.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

struct RunSettings {
    // Main menu.
    std::string lookupFileName;
    std::string outputFileName;  // typed name + ".kstl"
    int prokaryoteGenome = 0;
    int rscuTableUsed = 0;
    std::string rscuFileName;  // typed prefix + ".scu"
    double minimumRscu = 0.0;
    int preferredCodonListUsed = 0;
    std::string preferredCodonFileName;  // typed prefix + ".opt"

    // Analysis options menu.
    int checkLookupTable = 0;
    int segmentAnalysis = 0;
    int startCodonRequired = 0;
    int stopCodonRequired = 0;
    int allCodonsMustBeGood = 0;
    int noAlternativeCds = 0;
    int noPrematureStops = 0;
    int codonUsageOutput = 0;
    int reportBaseUsage = 0;
    int degeneracyBreakdown = 0;
    int noncodingMode = 0;  // 0 all NC combined, 1 flanks and core introns, 2 up/core/down

    // Lookup check options menu.
    int checkAlt = 0;
    int checkSequenceFile = 0;
    int checkCdsEnds = 0;

    // Segment analysis options menu.
    int segmentRelativeToStop = 0;
    std::int32_t segmentBegin = 0;
    std::int32_t segmentEnd = 0;
};

}  // namespace kestrel
