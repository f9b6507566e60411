// The codon step: decides the role of each complete codon of a gene (start, stop,
// internal, bad), sets the gene's status flags and adds the codon to its counts.
#pragma once

#include <cstdint>

#include "analysis/gene_counts.hpp"
#include "analysis/genetic_code.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// For eukaryotes and viruses the codons the code reads as Met (ATG in the standard code);
// for prokaryotes and phages the code's initiation codons (in the standard code ATG and
// the codons with T second and G third or A first and T second: GTG, CTG, TTG, ATA, ATC,
// ATT).
bool isValidStart(const CodonBases& bases, GenomeType genome, const GeneticCode& code);

// isFirst / isLast: the codon is the first / last of the coding sequence in coding
// order. codonNumber is its 0-based place in coding order (for the segment window).
void codonStep(const CodonBases& bases, bool isFirst, bool isLast, std::int32_t codonNumber,
               const RunSettings& settings, const OptimalCodonFlags& optimal,
               GeneCounts& counts);

}  // namespace kestrel
