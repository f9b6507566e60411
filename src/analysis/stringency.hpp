// The end-of-gene step: the stringency rules decide whether a gene enters the
// cumulative codon usage and the start and stop codon tallies.
#pragma once

#include <cstdint>

#include "analysis/cumulative_counts.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// True unless one of the five stringency options excludes the gene; nAlt is the number of
// its alternative CDSs.
bool passesStringency(const RunSettings& settings, const GeneCounts& counts, std::int32_t nAlt);

// Voids the segment window of a gene with a bad codon, then includes the gene in, or
// excludes it from, the cumulative data.
void endOfGeneStep(const RunSettings& settings, std::int32_t nAlt, GeneCounts& counts, CumulativeCounts& cumulative);

}  // namespace kestrel
