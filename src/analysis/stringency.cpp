#include "analysis/stringency.hpp"

#include "analysis/genetic_code.hpp"
#include "analysis/segment_window.hpp"

namespace kestrel {

namespace {

// Adds one to the tally entry of the recorded codon, if it is one of the tallied codons.
template <std::size_t N>
void tally(const std::array<int, 3>& recorded, const std::array<int, N>& codons,
           std::array<std::int64_t, N>& counts) {
    if (hasNoBase(recorded)) return;
    const int codon = CodonIndex(recorded);
    for (std::size_t k = 0; k < N; ++k)
        if (codons[k] == codon) ++counts[k];
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
    tally(counts.startCodon, TalliedStartCodons, cumulative.startTally);
    tally(counts.stopCodon, TalliedStopCodons, cumulative.stopTally);
}

}  // namespace kestrel
