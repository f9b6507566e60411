#include <array>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

namespace {

constexpr int MaxFamily = 8;

// Each codon's frequency within its amino acid expected from the background: the product
// of its bases' frequencies, normalised over the amino acid's codons.
std::array<double, 64> expectedWithinAminoAcids(const BaseFrequencies& background, const GeneticCode& code) {
    std::array<double, 64> product{};
    for (int c = 0; c < 64; ++c) product[c] = background[c / 16] * background[(c / 4) % 4] * background[c % 4];
    return sharesWithinAminoAcids(product, code);
}

}  // namespace

std::optional<double> encPrime(const GeneCodonCounts& counts, const BaseFrequencies& background,
                               const GeneticCode& code) {
    const std::array<double, 64> expected = expectedWithinAminoAcids(background, code);
    std::array<int, MaxFamily + 1> aminoAcids{};  // per family size
    std::array<double, MaxFamily + 1> codons{};
    std::array<double, MaxFamily + 1> weightedF{};
    for (int a = 0; a < Stp; ++a) {
        const AminoAcidFamily& family = code.families[a];
        if (family.size < 2) continue;
        ++aminoAcids[family.size];
        double n = 0;
        for (const int c : family) n += counts[c];
        if (n < 2) continue;
        double chi2 = 0;
        for (const int c : family) {
            if (expected[c] <= 0) return std::nullopt;
            const double d = counts[c] / n - expected[c];
            chi2 += n * d * d / expected[c];
        }
        const double f = (chi2 + n - family.size) / (family.size * (n - 1));
        codons[family.size] += n;
        weightedF[family.size] += n * f;
    }
    const auto meanF = [&](int size) { return weightedF[size] / codons[size]; };
    double enc = 0;  // the single-codon amino acids
    for (int a = 0; a < Stp; ++a)
        if (code.families[a].size == 1) enc += 1;
    for (int size = 2; size <= MaxFamily; ++size) {
        if (aminoAcids[size] == 0) continue;
        double f = 0;
        if (codons[size] > 0) f = meanF(size);
        else if (size == 3 && codons[2] > 0 && codons[4] > 0) f = (meanF(2) + meanF(4)) / 2;
        if (f <= 0) return std::nullopt;
        enc += aminoAcids[size] / f;
    }
    return enc;
}

}  // namespace kestrel
