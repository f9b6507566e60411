#include <algorithm>
#include <array>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

namespace {

// Each codon's frequency within its amino acid expected from the background: the product
// of its bases' frequencies, normalised over the amino acid's codons.
std::array<double, 64> expectedWithinAminoAcids(const BaseFrequencies& background, const GeneticCode& code) {
    std::array<double, 64> product{};
    for (int c = 0; c < 64; ++c) product[c] = background[c / 16] * background[(c / 4) % 4] * background[c % 4];
    return sharesWithinAminoAcids(product, code);
}

}  // namespace

// Amino acids with F' <= 0 are left out of their class, as ENC leaves out those with F <= 0;
// each class mean is bounded below by 1/k, as in Novembre's program, so that ENC' never
// exceeds the number of sense codons.
std::optional<double> encPrime(const GeneCodonCounts& counts, const BaseFrequencies& background,
                               const GeneticCode& code) {
    const std::array<double, 64> expected = expectedWithinAminoAcids(background, code);
    std::array<double, MaxFamilySize + 1> codons{};  // per family size, of the amino acids used
    std::array<double, MaxFamilySize + 1> weightedF{};
    for (int a = 0; a < Stp; ++a) {
        const AminoAcidFamily& family = code.families[a];
        if (family.size < 2) continue;
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
        if (f <= 0) continue;
        codons[family.size] += n;
        weightedF[family.size] += n * f;
    }
    std::array<double, MaxFamilySize + 1> mean{};
    for (int size = 2; size <= MaxFamilySize; ++size)
        if (codons[size] > 0) mean[size] = weightedF[size] / codons[size];
    if (code.aminoAcidsOfSize[3] > 0 && codons[3] == 0 && codons[2] > 0 && codons[4] > 0)
        mean[3] = (mean[2] + mean[4]) / 2;
    double enc = code.aminoAcidsOfSize[1];
    for (int size = 2; size <= MaxFamilySize; ++size) {
        if (code.aminoAcidsOfSize[size] == 0) continue;
        if (mean[size] == 0) return std::nullopt;
        enc += code.aminoAcidsOfSize[size] / std::max(mean[size], 1.0 / size);
    }
    return enc;
}

}  // namespace kestrel
