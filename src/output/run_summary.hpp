// The end-of-run summary appended after the last gene row.
#pragma once

#include <ostream>

#include "analysis/cumulative_counts.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {

// The codon table groups the codons by amino acid under the code; the START and STOP rows
// are the code's start and stop codons.
void writeRunSummary(std::ostream& file, const CumulativeCounts& cumulative, const GeneticCode& code);

}  // namespace kestrel
