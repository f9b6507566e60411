#include "analysis/codon_step.hpp"

#include "analysis/base_composition.hpp"
#include "analysis/segment_window.hpp"

namespace kestrel {

bool isValidStart(const CodonBases& bases, GenomeType genome, const GeneticCode& code) {
    const int codon = CodonIndex(bases);
    return genome == GenomeType::Eukaryote ? code.aminoAcid[codon] == Met : code.start[codon];
}

void codonStep(const CodonBases& bases, bool isFirst, bool isLast, std::int32_t codonNumber,
               const RunSettings& settings, const OptimalCodonFlags& optimal,
               GeneCounts& counts) {
    const GeneticCode& code = settings.geneticCode;
    const bool bad = hasNoBase(bases);
    bool isStart = false;
    bool isStop = false;

    if (isFirst && !bad) {
        isStart = isValidStart(bases, settings.genomeType, code);
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
        if (code.stop[codon]) {
            counts.stopCodon = bases;
            isStop = true;
        } else {
            counts.noStop = true;
        }
    } else if (!isStart && code.aminoAcid[codon] == Stp) {
        // Counted all the same. A codon that the code reads either way is an amino acid here.
        counts.preStop = true;
    }

    if (!isStart && !isStop) {
        ++counts.codonCount[codon];
        addCodingBases(bases, code, counts);
    }
    addSegmentCodon(bases, codonNumber, settings, optimal, counts);
}

}  // namespace kestrel
