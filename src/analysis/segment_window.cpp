#include "analysis/segment_window.hpp"

namespace kestrel {

void fixSegmentWindow(const RunSettings& settings, GeneCounts& counts) {
    counts.segmentValid = false;
    counts.segLo = 0;
    counts.segHi = 0;
    if (!settings.segmentAnalysis) return;
    const std::int64_t lastCodon = static_cast<std::int64_t>(counts.codonTotal) - 1;
    if (!settings.segmentRelativeToStop) {
        // The window must end before the stop codon.
        if (settings.segmentEnd <= lastCodon - 1) {
            counts.segmentValid = true;
            counts.segLo = settings.segmentBegin;
            counts.segHi = settings.segmentEnd;
        }
    } else if (settings.segmentBegin <= lastCodon) {
        // Counted back from the stop codon, which is 0 codons upstream of itself.
        counts.segmentValid = true;
        counts.segLo = static_cast<std::int32_t>(lastCodon - settings.segmentBegin);
        counts.segHi = static_cast<std::int32_t>(lastCodon - settings.segmentEnd);
    }
}

void addSegmentCodon(const CodonBases& bases, std::int32_t codonNumber,
                     const RunSettings& settings, const OptimalCodonFlags& optimal,
                     GeneCounts& counts) {
    if (!settings.segmentAnalysis || !counts.segmentValid) return;
    if (codonNumber < counts.segLo || codonNumber > counts.segHi) return;
    if (optimal[CodonIndex(bases)] == 1) ++counts.segmentPreferred;
    for (int p = 0; p < 3; ++p) ++counts.segmentBase[p][bases[p]];
}

void voidSegmentIfBad(GeneCounts& counts) {
    if (counts.badCodons > 0) counts.segmentValid = false;
}

}  // namespace kestrel
