#include "tools/codon_contrast.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel::reference {

std::optional<ChiSquare> chiSquareTest(const TwoByTwo& t) {
    const double a = static_cast<double>(t.a), b = static_cast<double>(t.b);
    const double c = static_cast<double>(t.c), d = static_cast<double>(t.d);
    const double margins = (a + b) * (c + d) * (a + c) * (b + d);
    if (margins == 0.0) return std::nullopt;
    const double n = a + b + c + d;
    const double excess = std::max(0.0, std::abs(a * d - b * c) - n / 2.0);
    ChiSquare result;
    // Divided step by step: n (ad - bc)^2 overflows a double's exact range long before it overflows.
    result.statistic = excess / (a + b) * excess / (c + d) * n / (a + c) / (b + d);
    result.p = std::erfc(std::sqrt(result.statistic / 2.0));
    return result;
}

std::array<CodonContrast, 64> contrastCodons(const CodonCounts& reference, const CodonCounts& rest,
                                             const GeneticCode& code, double pThreshold) {
    std::array<CodonContrast, 64> out{};
    for (int aa = 0; aa < AminoAcidCount; ++aa) {
        const AminoAcidFamily& family = code.families[aa];
        const std::int64_t refTotal = familyTotal(reference, family);
        const std::int64_t restTotal = familyTotal(rest, family);
        for (const int c : family) {
            CodonContrast& x = out[c];
            x.referenceCount = reference[c];
            x.restCount = rest[c];
            if (!code.isSynonymous(aa)) continue;
            x.referenceRscu = relativeSynonymousUsage(reference[c], refTotal, family.size);
            x.restRscu = relativeSynonymousUsage(rest[c], restTotal, family.size);
            x.test = chiSquareTest({reference[c], refTotal - reference[c], rest[c], restTotal - rest[c]});
            x.optimal = x.test && x.test->p < pThreshold && *x.referenceRscu > *x.restRscu;
        }
    }
    return out;
}

}  // namespace kestrel::reference
