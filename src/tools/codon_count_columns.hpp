// The 64 codon-count columns of an output file ("N_GCA_A" ...), read by the tools that
// compute from a gene's codon counts.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "analysis/codon_usage_indices.hpp"
#include "formats/kstl_reader.hpp"

namespace kestrel {

using CodonCountColumns = std::array<std::size_t, 64>;

// The column of each codon's count, by CodonIndex; no value when the file lacks any (the
// analysis ran without codon usage output). Read by the codon letters, whatever amino acid
// the label names.
std::optional<CodonCountColumns> codonCountColumns(const KstlReader& reader);

// What the tools say of a file without them.
std::string noCodonCountsText(const std::string& name);

// Placeholders count 0. Throws KstlError for a count that is not a whole number from 0 to 2^31 - 1.
GeneCodonCounts codonCountsOf(const std::vector<KstlCell>& cells, const CodonCountColumns& columns);

}  // namespace kestrel
