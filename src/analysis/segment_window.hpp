// The segment window of a gene: a stretch of codons counted from the start codon or
// back from the stop codon, whose preferred codons and bases are tallied.
#pragma once

#include <cstdint>

#include "analysis/gene_counts.hpp"
#include "analysis/genetic_code.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// Fixes segmentValid, segLo and segHi from codonTotal before the walk.
void fixSegmentWindow(const RunSettings& settings, GeneCounts& counts);

// Counts one codon that was not rejected for a bad base, if it lies in the window.
void addSegmentCodon(const CodonBases& bases, std::int32_t codonNumber,
                     const RunSettings& settings, const OptimalCodonFlags& optimal,
                     GeneCounts& counts);

// A single bad codon anywhere in the gene voids its window.
void voidSegmentIfBad(GeneCounts& counts);

}  // namespace kestrel
