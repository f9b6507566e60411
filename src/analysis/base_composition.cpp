#include "analysis/base_composition.hpp"

namespace kestrel {

namespace {
void addPositions(const CodonBases& bases, PositionBaseCounts& target) {
    for (int p = 0; p < 3; ++p) ++target[p][bases[p]];
}
}  // namespace

void addCodingBases(const CodonBases& bases, const GeneticCode& code, GeneCounts& counts) {
    const int codon = CodonIndex(bases);
    addPositions(bases, counts.positionBase);
    if (code.inTwoCodonFamily(codon))
        addPositions(bases, counts.deg2Base);
    else if (code.inFourCodonFamily(codon))
        addPositions(bases, counts.deg4Base);
    // Independent of the family: the four-codon blocks of Arg, Leu and Ser belong here too.
    if (code.fourfoldThirdPosition(codon)) addPositions(bases, counts.deg6Base);
}

}  // namespace kestrel
