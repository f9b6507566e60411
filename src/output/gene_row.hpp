// LOCWRITE: one fixed-width row of the output file per gene.
#pragma once

#include <ostream>

#include "analysis/codon_bias.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/run_settings.hpp"
#include "input/gene_record.hpp"

namespace kestrel {

// Writes the gene's row, its cells under the labels of columnHeaderLine(settings).
void writeGeneRow(std::ostream& file, const GeneRecord& record, const GeneCounts& counts,
                  const CodonBiasResults& bias, const RunSettings& settings);

}  // namespace kestrel
