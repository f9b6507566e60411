#include <cstdint>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

std::optional<double> codonBiasIndex(const GeneCodonCounts& counts, const OptimalCodonFlags& optimal,
                                     const GeneticCode& code) {
    std::int64_t total = 0;
    std::int64_t optimalUsed = 0;
    double random = 0;  // N_rand
    for (int a = 0; a < Stp; ++a) {
        if (!code.isSynonymous(a)) continue;
        const AminoAcidFamily& family = code.families[a];
        int optimalCodons = 0;
        std::int64_t n = 0;
        for (const int c : family) {
            n += counts[c];
            if (optimal[c] == 1) {
                ++optimalCodons;
                optimalUsed += counts[c];
            }
        }
        if (optimalCodons == 0) continue;
        total += n;
        random += static_cast<double>(n) * optimalCodons / family.size;
    }
    const double scale = static_cast<double>(total) - random;
    // Zero exactly when it is zero: each term n_a (1 - o_a / k_a) is 0 or at least 1/8.
    if (scale < 0.0625) return std::nullopt;
    return (static_cast<double>(optimalUsed) - random) / scale;
}

std::int64_t aminoAcidCodonCount(const GeneCodonCounts& counts, const GeneticCode& code) {
    std::int64_t n = 0;
    for (int c = 0; c < 64; ++c)
        if (code.aminoAcid[c] != Stp) n += counts[c];
    return n;
}

std::optional<double> gravy(const GeneCodonCounts& counts, const GeneticCode& code) {
    const std::int64_t n = aminoAcidCodonCount(counts, code);
    if (n == 0) return std::nullopt;
    double sum = 0;
    for (int c = 0; c < 64; ++c)
        if (code.aminoAcid[c] != Stp) sum += counts[c] * KyteDoolittle[code.aminoAcid[c]];
    return sum / static_cast<double>(n);
}

std::optional<double> aromaticity(const GeneCodonCounts& counts, const GeneticCode& code) {
    const std::int64_t n = aminoAcidCodonCount(counts, code);
    if (n == 0) return std::nullopt;
    std::int64_t aromatic = 0;
    for (int c = 0; c < 64; ++c) {
        const int a = code.aminoAcid[c];
        if (a == Phe || a == Tyr || a == Trp) aromatic += counts[c];
    }
    return static_cast<double>(aromatic) / static_cast<double>(n);
}

}  // namespace kestrel
