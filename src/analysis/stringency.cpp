#include "analysis/stringency.hpp"

#include "analysis/genetic_code.hpp"
#include "analysis/segment_window.hpp"

namespace kestrel {

namespace {

// Adds one to the tally of the recorded codon, if one was recorded.
void tally(const std::array<int, 3>& recorded, std::array<std::int64_t, 64>& counts) {
    if (!hasNoBase(recorded)) ++counts[CodonIndex(recorded)];
}

}  // namespace

bool passesStringency(const RunSettings& settings, const GeneCounts& counts, std::int32_t nAlt) {
    if (settings.startCodonRequired && counts.noStart) return false;
    if (settings.stopCodonRequired && counts.noStop) return false;
    if (settings.allCodonsMustBeGood && (counts.noStart || counts.noStop || counts.badCodons > 0))
        return false;
    if (settings.noAlternativeCds && nAlt != 0) return false;
    if (settings.noPrematureStops && counts.preStop) return false;
    return true;
}

void endOfGeneStep(const RunSettings& settings, std::int32_t nAlt, GeneCounts& counts, CumulativeCounts& cumulative) {
    voidSegmentIfBad(counts);
    if (!passesStringency(settings, counts, nAlt)) {
        ++cumulative.genesExcluded;
        return;
    }
    ++cumulative.genesIncluded;
    for (int c = 0; c < 64; ++c) cumulative.cumCodonCount[c] += counts.codonCount[c];
    cumulative.cumBadCodons += counts.badCodons;
    tally(counts.startCodon, cumulative.startTally);
    tally(counts.stopCodon, cumulative.stopTally);
}

}  // namespace kestrel
