// Whether two sets of genes use codons differently: per codon, its use against its synonyms
// in one set and the other (odds ratio, Fisher's exact test, Benjamini-Hochberg q over the
// codons tested); per amino acid, a chi-square test of its codons; overall, a distance
// between the two usages and its permutation p-value, with the genes drawn anew between
// the sets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "analysis/codon_usage_indices.hpp"
#include "analysis/fisher_exact.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {

inline constexpr std::uint64_t DefaultPermutations = 1000;
inline constexpr std::uint64_t DefaultPermutationSeed = 1;

struct SetComparisonSettings {
    std::uint64_t permutations = DefaultPermutations;  // 0: no permutation test
    std::uint64_t seed = DefaultPermutationSeed;
};

// One codon of an amino acid with more than one codon.
struct CodonComparison {
    int codon = 0;
    std::int64_t first = 0, second = 0;  // its count in each set
    std::optional<double> firstRscu, secondRscu;  // none where the set lacks the amino acid
    // The 2x2 table: the codon and its synonyms (rows: the sets) and its test; the odds ratio
    // is above 1 when the first set uses the codon more, against its synonyms.
    TwoByTwoTable table;
    FisherResult fisher;
    // log2 of the odds ratio with 0.5 added to every cell of a table with a 0 cell (Haldane
    // and Anscombe), so that it is finite; none when not tested.
    std::optional<double> log2OddsRatio;
    bool tested = false;  // neither a row nor a column of its table is empty
    std::optional<double> q;  // Benjamini-Hochberg, over the codons tested
};

// One amino acid with more than one codon: the chi-square test of its codons' counts in the
// two sets (none when either set lacks it).
struct FamilyComparison {
    int aminoAcid = 0;
    std::int64_t first = 0, second = 0;
    std::optional<ChiSquareResult> test;
};

struct SetComparison {
    std::size_t firstGenes = 0, secondGenes = 0;
    CodonTotals first{}, second{};
    std::vector<CodonComparison> codons;      // by amino acid, then CodonIndex
    std::vector<FamilyComparison> families;   // by AminoAcidIndex
    // The distance of the two usages (usageDistance); none when no amino acid with more than
    // one codon is in both sets.
    std::optional<double> distance;
    // (1 + the permutations at least as distant) / (1 + permutations); none without permutations
    // or a distance.
    std::optional<double> permutationP;
    SetComparisonSettings settings;
};

// The distance between two codon usages: over the amino acids with more than one codon that
// both use, the mean of half the summed absolute differences of their codons' shares (the
// share of the amino acid's codons that would have to change), weighted by the amino acid's
// codons in both sets together. 0 for the same usage, at most 1.
std::optional<double> usageDistance(const CodonTotals& first, const CodonTotals& second, const GeneticCode& code);

// Compares two sets of genes, each gene given by its 64 codon counts. Genes may hold no codon.
SetComparison compareGeneSets(const std::vector<GeneCodonCounts>& first, const std::vector<GeneCodonCounts>& second,
                              const GeneticCode& code, const SetComparisonSettings& settings = {});

// A uniform draw from 0 to n - 1 (n > 0): a number of the generator, redrawn while it lies
// below 2^64 mod n, taken modulo n. The same on every platform: std::mt19937_64's sequence is
// fixed by the C++ standard, and no std:: distribution is used.
std::uint64_t uniformBelow(std::mt19937_64& generator, std::uint64_t n);

}  // namespace kestrel
