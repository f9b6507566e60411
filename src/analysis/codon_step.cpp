#include "analysis/codon_step.hpp"

#include "analysis/base_composition.hpp"
#include "analysis/segment_window.hpp"

namespace kestrel {

bool isValidStart(const CodonBases& bases, GenomeType genome) {
    if (genome == GenomeType::Eukaryote) return GeneticCode[CodonIndex(bases)] == Met;
    return bases[1] == 3 && (bases[2] == 1 || bases[0] == 0);
}

void codonStep(const CodonBases& bases, bool isFirst, bool isLast, std::int32_t codonNumber,
               const RunSettings& settings, const OptimalCodonFlags& optimal,
               GeneCounts& counts) {
    const bool bad = hasNoBase(bases);
    bool isStart = false;
    bool isStop = false;

    if (isFirst && !bad) {
        isStart = isValidStart(bases, settings.genomeType);
        // A first codon that fails the start test is recorded and then counted like
        // any internal codon.
        if (!isStart) counts.noStart = true;
        counts.startCodon = bases;
    }

    if (bad) {
        // Whatever its place, a codon with an unreadable base is only counted as bad.
        ++counts.badCodons;
        return;
    }

    const int codon = CodonIndex(bases);
    if (isLast) {
        if (GeneticCode[codon] == Stp) {
            counts.stopCodon = bases;
            isStop = true;
        } else {
            counts.noStop = true;
        }
    } else if (!isStart && GeneticCode[codon] == Stp) {
        counts.preStop = true;  // counted all the same
    }

    if (!isStart && !isStop) {
        ++counts.codonCount[codon];
        addCodingBases(bases, counts);
    }
    addSegmentCodon(bases, codonNumber, settings, optimal, counts);
}

}  // namespace kestrel
