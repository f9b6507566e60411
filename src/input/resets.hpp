// The per-run and per-gene resets.
#pragma once

#include "analysis/cumulative_counts.hpp"
#include "analysis/gene_counts.hpp"

namespace kestrel {

// Zeroes the cumulative codon counts, bad codons and start/stop tallies (the gene
// counts genesIncluded and genesExcluded are zeroed by the driver).
void resetRunCounts(CumulativeCounts& cumulative);
// LOCINIT: zeroes the gene's counts; recorded start and stop codons become 4, 4, 4.
void resetGeneCounts(GeneCounts& counts);

}  // namespace kestrel
