#include <cmath>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

namespace {

double familyTotal(const GeneCodonCounts& counts, const AminoAcidFamily& family) {
    double n = 0;
    for (const int c : family) n += counts[c];
    return n;
}

}  // namespace

std::optional<double> milc(const GeneCodonCounts& counts, const CodonShares& expected, const GeneticCode& code) {
    double length = 0;  // L: the gene's sense codons
    double m = 0;       // the sum of M_a
    double correction = 0;
    for (int a = 0; a < Stp; ++a) {
        const AminoAcidFamily& family = code.families[a];
        const double n = familyTotal(counts, family);
        if (n == 0) continue;
        length += n;
        correction += family.size - 1;
        if (family.size < 2) continue;
        for (const int c : family) {
            if (counts[c] == 0) continue;
            if (expected[c] <= 0) return std::nullopt;
            m += 2.0 * counts[c] * std::log(counts[c] / (n * expected[c]));
        }
    }
    if (length == 0) return std::nullopt;
    return m / length - (correction / length - 0.5);
}

std::optional<double> scuo(const GeneCodonCounts& counts, const GeneticCode& code) {
    double total = 0;
    double weighted = 0;  // the sum of n_a O_a
    for (int a = 0; a < Stp; ++a) {
        const AminoAcidFamily& family = code.families[a];
        if (family.size < 2) continue;
        const double n = familyTotal(counts, family);
        if (n == 0) continue;
        double entropy = 0;
        for (const int c : family)
            if (counts[c] > 0) entropy -= counts[c] / n * std::log(counts[c] / n);
        const double maximum = std::log(static_cast<double>(family.size));
        total += n;
        weighted += n * (maximum - entropy) / maximum;
    }
    if (total == 0) return std::nullopt;
    return weighted / total;
}

std::optional<BaseFrequencies> fourfoldThirdPositions(const GeneCodonCounts& counts, const GeneticCode& code) {
    BaseFrequencies bases{};
    double total = 0;
    for (int c = 0; c < 64; ++c)
        if (code.thirdPositionClass[c] == 4) {
            bases[c % 4] += counts[c];
            total += counts[c];
        }
    if (total == 0) return std::nullopt;
    for (double& share : bases) share /= total;
    return bases;
}

std::optional<double> gc12(const GeneCodonCounts& counts) {
    constexpr auto gc = [](int base) { return base == 1 || base == 2; };  // G or C
    double total = 0;
    double gcBases = 0;
    for (int c = 0; c < 64; ++c) {
        total += counts[c];
        gcBases += counts[c] * (static_cast<int>(gc(c / 16)) + static_cast<int>(gc((c / 4) % 4)));
    }
    if (total == 0) return std::nullopt;
    return gcBases / (2 * total);
}

CodonShares sharesWithinAminoAcids(const std::array<double, 64>& counts, const GeneticCode& code) {
    CodonShares shares{};
    for (int a = 0; a <= Stp; ++a) {
        double n = 0;
        for (const int c : code.families[a]) n += counts[c];
        if (n > 0)
            for (const int c : code.families[a]) shares[c] = counts[c] / n;
    }
    return shares;
}

}  // namespace kestrel
