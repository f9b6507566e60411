// LOCWRITE: the output header (first gene only) and one fixed-width row per gene.
#pragma once

#include <ostream>

#include "analysis/codon_bias_results.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "input/gene_record.hpp"

namespace kestrel {

class Console;

// Writes the header and column-header line first when writeHeader is set, then the
// gene's row; computes the codon-bias indices half-way through the row.
void writeGeneOutput(std::ostream& file, bool writeHeader, const GeneRecord& record,
                     GeneCounts& counts, const RunSettings& settings,
                     ReferenceTables& references, bool& minimumRscuPending,
                     CodonBiasResults& bias, Console& console);

}  // namespace kestrel
