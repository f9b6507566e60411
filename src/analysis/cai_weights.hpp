// The CAI weights (relative adaptiveness) of the codons, from the reference codon counts
// of the .scu file.
#pragma once

#include "analysis/genetic_code.hpp"
#include "analysis/reference_tables.hpp"

namespace kestrel {

// Each count over the largest count of its amino acid under the code (the single codons,
// Met and Trp in the standard code, and the stop codons keep weight 0). An amino acid
// absent from the reference gives weights that are not numbers until floorCaiWeights
// raises them.
void computeCaiWeights(const ReferenceCounts& counts, const GeneticCode& code, CaiWeights& weights);

// Raises every weight of a synonymous codon below minimumRscu (or not a number) to it;
// done once, when the setup is complete.
void floorCaiWeights(CaiWeights& weights, const GeneticCode& code, double minimumRscu);

}  // namespace kestrel
