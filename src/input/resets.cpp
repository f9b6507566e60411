#include "input/resets.hpp"

namespace kestrel {

void resetRunCounts(CumulativeCounts& cumulative) {
    cumulative.cumCodonCount.fill(0);
    cumulative.cumBadCodons = 0;
    cumulative.startTally.fill(0);
    cumulative.stopTally.fill(0);
}

void resetGeneCounts(GeneCounts& counts) {
    // noStart, noStop and preStop are set by the reader before its walk, segmentValid
    // when the window is fixed; everything else starts from zero.
    const GeneCounts fresh;
    const int noStart = counts.noStart, noStop = counts.noStop, preStop = counts.preStop;
    counts = fresh;
    counts.noStart = noStart;
    counts.noStop = noStop;
    counts.preStop = preStop;
}

}  // namespace kestrel
