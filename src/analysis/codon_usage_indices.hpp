// Codon-usage indices of one gene beyond ENC, Chi/L, Fop and CAI, computed from its 64
// codon counts under a genetic code: Sun's Nc, Novembre's ENC', MILC, SCUO, the base
// composition of fourfold-degenerate third positions, the codon bias index, and the
// hydropathy and aromaticity of the translated codons.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "analysis/genetic_code.hpp"
#include "analysis/reference_tables.hpp"

namespace kestrel {

using GeneCodonCounts = std::array<std::int32_t, 64>;
// Frequencies of A, G, C and T (the order of BaseLetters).
using BaseFrequencies = std::array<double, 4>;
// Each codon's share of its amino acid's codons.
using CodonShares = std::array<double, 64>;

// Sun, Yang and Xia's Nc: amino acids split into families of the codons that share their
// first two bases, codon frequencies with a pseudocount of 1, homozygosities averaged over
// the families of each size weighted by their counts. A size class none of whose families
// the gene uses counts as unbiased (F = 1/size, the pseudocount value). No value for a gene
// without a codon of an amino acid with more than one codon.
std::optional<double> sunNc(const GeneCodonCounts& counts, const GeneticCode& code);

// Novembre's ENC': each amino acid's chi-square against the codon frequencies expected
// from the background base frequencies gives its F'; amino acids seen at least twice with
// F' > 0 count, their class means weighted by their codons and bounded below by 1/size.
// No value when a family size other than 3 has no such amino acid (a missing size 3 takes
// the mean of sizes 2 and 4), or when the background leaves a codon of a counted amino
// acid no expected share. At most the code's number of sense codons.
std::optional<double> encPrime(const GeneCodonCounts& counts, const BaseFrequencies& background,
                               const GeneticCode& code);

// Supek and Vlahovicek's MILC against the expected shares of each codon in its amino acid.
// No value for a gene without a sense codon, or that uses a codon the expected usage lacks.
std::optional<double> milc(const GeneCodonCounts& counts, const CodonShares& expected, const GeneticCode& code);

// Wan et al.'s SCUO; no value for a gene without a codon of an amino acid with more than one codon.
std::optional<double> scuo(const GeneCodonCounts& counts, const GeneticCode& code);

// The shares of A, G, C and T at fourfold-degenerate third positions; no value without such a codon.
std::optional<BaseFrequencies> fourfoldThirdPositions(const GeneCodonCounts& counts, const GeneticCode& code);

// The G + C share of first and second codon positions over all the gene's counted codons,
// (GC1 + GC2) / 2 unrounded; no value without a codon.
std::optional<double> gc12(const GeneCodonCounts& counts);

// Bennetzen and Hall's codon bias index, as codonw computes it: over the amino acids with
// more than one codon of which the flags mark at least one optimal (1), stops and
// single-codon amino acids left out,
//   CBI = (N_opt - N_rand) / (N_tot - N_rand),   N_rand = sum over a of n_a o_a / k_a,
// N_tot their codons, N_opt the optimal ones, o_a the optimal codons of a of its k_a. No
// value when N_tot = N_rand: no codon of such an amino acid, or only of amino acids whose
// codons are all optimal.
std::optional<double> codonBiasIndex(const GeneCodonCounts& counts, const OptimalCodonFlags& optimal,
                                     const GeneticCode& code);

// Kyte and Doolittle's hydropathy of each amino acid, by AminoAcidIndex (Ala to Val).
inline constexpr std::array<double, Stp> KyteDoolittle = {1.8, -4.5, -3.5, -3.5, 2.5, -3.5, -3.5, -0.4, -3.2, 4.5,
                                                          3.8, -3.9, 1.9,  2.8,  -1.6, -0.8, -0.7, -0.9, -1.3, 4.2};

// The counted codons that the code reads as an amino acid (every codon but the Stp ones).
std::int64_t aminoAcidCodonCount(const GeneCodonCounts& counts, const GeneticCode& code);
// GRAVY: the mean hydropathy of those codons' amino acids; no value without one.
std::optional<double> gravy(const GeneCodonCounts& counts, const GeneticCode& code);
// The share of Phe, Tyr and Trp among them; no value without one.
std::optional<double> aromaticity(const GeneCodonCounts& counts, const GeneticCode& code);

// Codon counts summed over many genes.
using CodonTotals = std::array<std::int64_t, 64>;

// The codons of an amino acid in totals.
inline std::int64_t familyTotal(const CodonTotals& totals, const AminoAcidFamily& family) {
    std::int64_t n = 0;
    for (const int c : family) n += totals[c];
    return n;
}

// RSCU = count x k / n, a codon's count against the even use of the k codons of its amino
// acid, n of them counted; no value when n is 0.
inline std::optional<double> relativeSynonymousUsage(std::int64_t count, std::int64_t n, int k) {
    if (n == 0) return std::nullopt;
    return static_cast<double>(count) * k / static_cast<double>(n);
}

// Each codon's share of its amino acid in counts (0 for the codons of an amino acid without any).
CodonShares sharesWithinAminoAcids(const std::array<double, 64>& counts, const GeneticCode& code);

}  // namespace kestrel
