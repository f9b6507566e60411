// Coding-base counters: the bases of every counted codon by codon position, overall and
// within the degeneracy classes _2, _4 and _6.
#pragma once

#include "analysis/gene_counts.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {

// Adds the three bases of a counted codon (none of them 4) to positionBase and to the
// classes the codon belongs to under the code.
void addCodingBases(const CodonBases& bases, const GeneticCode& code, GeneCounts& counts);

}  // namespace kestrel
