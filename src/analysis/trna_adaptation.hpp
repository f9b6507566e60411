// The tRNA adaptation index (tAI) of dos Reis, Savva and Wernisch (2004): how well a
// gene's codons match the tRNA genes of its genome.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

// tRNA gene copies by the codon each pairs with in Watson-Crick fashion (the reverse
// complement of its anticodon), and the copies of the isoleucine tRNA with anticodon CAU,
// whose lysidine at the wobble position reads AUA instead of AUG.
struct TrnaCensus {
    std::array<double, 64> byCodon{};
    double lysidineIle = 0;
};

// The census entry for one tRNA gene: its amino acid (three letters) and anticodon (5' to
// 3', T or U); false when the anticodon is not three bases. Selenocysteine and pyrrolysine
// tRNAs ("Sec", "Pyl") are accepted and add nothing: they read no sense codon.
bool addTrnaGenes(TrnaCensus& census, std::string_view aminoAcid, std::string_view anticodon, double copies);

// The relative adaptiveness w of every codon that is neither Met nor a stop (0 for those):
// W = the sum over the tRNAs that read the codon of (1 - s) times their copies, divided by
// the largest W; a codon no tRNA reads takes the geometric mean of the other w. No value
// for a census that reads no codon.
std::optional<std::array<double, 64>> trnaWeights(const TrnaCensus& census, const GeneticCode& code);

// The geometric mean of w over the gene's codons other than Met and stops; no value
// without such a codon.
std::optional<double> trnaAdaptationIndex(const GeneCodonCounts& counts, const std::array<double, 64>& weights,
                                          const GeneticCode& code);

}  // namespace kestrel
