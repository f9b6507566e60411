// The codon step: decides the role of each complete codon of a gene (start, stop,
// internal, bad), sets the gene's status flags and adds the codon to its counts.
#pragma once

#include <cstdint>

#include "analysis/gene_counts.hpp"
#include "analysis/genetic_code.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// ATG only for eukaryotes and viruses; for prokaryotes and phages also the codons with
// T second and G third (GTG, CTG, TTG) or A first and T second (ATA, ATC, ATT).
bool isValidStart(const CodonBases& bases, GenomeType genome);

// isFirst / isLast: the codon is the first / last of the coding sequence in coding
// order. codonNumber is its 0-based place in coding order (for the segment window).
void codonStep(const CodonBases& bases, bool isFirst, bool isLast, std::int32_t codonNumber,
               const RunSettings& settings, const OptimalCodonFlags& optimal,
               GeneCounts& counts);

}  // namespace kestrel
