// The end-of-gene step: the stringency rules decide whether a gene enters the
// cumulative codon usage and the start and stop codon tallies.
#pragma once

#include "analysis/cumulative_counts.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/run_settings.hpp"
#include "input/gene_record.hpp"

namespace kestrel {

// True unless one of the five stringency options excludes the gene.
bool passesStringency(const GeneRecord& record, const RunSettings& settings,
                      const GeneCounts& counts);

// Voids the segment window of a gene with a bad codon, then includes the gene in, or
// excludes it from, the cumulative data.
void endOfGeneStep(const GeneRecord& record, const RunSettings& settings, GeneCounts& counts,
                   CumulativeCounts& cumulative);

}  // namespace kestrel
