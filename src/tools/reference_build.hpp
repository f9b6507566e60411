// A genome's reference: the chosen genes, their summed codon counts against the rest of the
// genome, the optimal codons, and what a user should be warned of.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "analysis/run_settings.hpp"
#include "tools/codon_contrast.hpp"
#include "tools/iterative_set.hpp"
#include "tools/reference_gene.hpp"

namespace kestrel::reference {

// Below these a reference set is small enough to give noisy weights.
inline constexpr std::size_t FewGenes = 20;
inline constexpr std::int64_t FewCodons = 5000;

struct ReferenceResult {
    std::vector<std::size_t> members;  // indices into the genes, ascending
    CodonCounts reference{};           // summed codon counts of the members
    CodonCounts rest{};                // of every other gene
    std::array<CodonContrast, 64> codons{};
    std::int64_t referenceCodons = 0;
    int optimalCodons = 0;
    std::vector<std::string> warnings;
};

// Sums and contrasts the members against the other genes; the p threshold decides which codons
// are optimal, under the code of the settings.
ReferenceResult buildReference(const std::vector<ReferenceGene>& genes, std::vector<std::size_t> members,
                               const RunSettings& settings, double pThreshold);

}  // namespace kestrel::reference
