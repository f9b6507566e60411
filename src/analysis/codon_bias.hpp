// CBIAS: Chi/L, ChiSc, ENC, Fop and CAI of one gene from its codon counts.
#pragma once

#include <string>

#include "analysis/codon_bias_results.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "control/run_settings.hpp"

namespace kestrel {

class Console;

// minimumRscuPending: set before the gene pass; the first CAI floors the weights at
// minimumRscu and clears it.
void computeCodonBias(const GeneCounts& counts, const RunSettings& settings,
                      ReferenceTables& references, bool& minimumRscuPending,
                      const std::string& gene, Console& console, CodonBiasResults& results);

}  // namespace kestrel
