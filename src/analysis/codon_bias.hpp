// CBIAS: Chi/L, ChiSc, ENC, Fop and CAI of one gene from its codon counts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "analysis/codon_bias_results.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

class Console;

// minimumRscuPending: set before the gene pass; the first CAI floors the weights at
// minimumRscu and clears it.
// When the gene has no codon of a synonymous family (N = 0), ChiL, ChiSc and the Fop
// and CAI that are asked for are not defined and are left as NaN.
void computeCodonBias(const GeneCounts& counts, const RunSettings& settings,
                      ReferenceTables& references, bool& minimumRscuPending,
                      const std::string& gene, Console& console, CodonBiasResults& results);

// N: the counted codons of the 18 amino acids with more than one codon (no Met, Trp or
// stop codons).
std::int64_t synonymousCodonCount(const std::array<std::int32_t, 64>& codonCount);

}  // namespace kestrel
