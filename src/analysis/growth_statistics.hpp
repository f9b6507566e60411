// The codon-usage statistics from which a prokaryote's minimal doubling time is predicted:
// which genes enter them, the codon usage bias of the highly expressed (HE) genes against
// the genome (CUBHE) and among themselves (ConsistencyHE), both by MILC, and the genome's
// codon pair bias (CPB).
//
// They are defined as the published growth model's training statistics were computed, with
// two features of those inputs kept because the model's coefficients depend on them: every
// initiation codon of the genetic code is read as Met when codons are grouped into families
// (so that under code 11 CTG and TTG leave Leu, GTG Val, and ATT, ATC, ATA take all of Ile),
// and the pair classes of the CPB read every codon as if it started a gene while the amino
// acid counts use the plain translation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/codon_usage_indices.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {

// A coding sequence enters the statistics when it is longer than 240 letters, a whole number
// of codons, and made of A, C, G and T only (either case).
inline constexpr std::size_t GrowthShortestLength = 241;
bool passesGrowthFilter(std::string_view letters);

// The classes of the 64 codons (AminoAcidIndex, Stp for the stop codons): the code's
// amino acids with every initiation codon read as Met. They are the families of MILC and
// the pair classes of the CPB.
struct GrowthFamilies {
    std::array<int, 64> classOf{};
    std::array<int, AminoAcidCount> size{};  // codons of each class
};
GrowthFamilies growthFamilies(const GeneticCode& code);

struct HighExpressionBias {
    std::optional<double> cubHe;          // the median MILC of the HE genes against all genes
    std::optional<double> consistencyHe;  // the mean MILC of the HE genes against the HE genes
};

// MILC of one gene against the pooled counts of a reference set that holds it: every codon
// counts, start and stop codons included, the stop codons as a family of their own.
double growthMilc(const GeneCodonCounts& gene, const std::array<double, 64>& reference,
                  const GrowthFamilies& families);

// CUBHE and ConsistencyHE of the genes (those that pass the filter, in file order) and the
// HE genes among them (indices into genes); no values without an HE gene.
HighExpressionBias highExpressionBias(const std::vector<GeneCodonCounts>& genes, const std::vector<std::size_t>& he,
                                      const GrowthFamilies& families);

enum class PairClasses {
    AsPublished,  // pair classes with the initiation codons as Met, the first codon of all a start
    Plain,        // the code's translation throughout
};

// The codon pair bias of the genes joined into one sequence in their order (the pairs that
// join two genes included): the sum over the distinct codon pairs of
//   ln( N(c,c') / ( N(A,B) N(c) N(c') / (n(A) n(B)) ) )
// divided by the number of distinct pairs less one. A codon with a letter other than A, C,
// G or T is left out and breaks the chain of pairs. No value with fewer than two distinct
// pairs, or where a pair's class has no codon among the amino acid counts.
std::optional<double> codonPairBias(const std::vector<std::string_view>& genes, const GeneticCode& code,
                                    PairClasses classes);

}  // namespace kestrel
