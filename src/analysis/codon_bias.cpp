#include "analysis/codon_bias.hpp"

#include <cmath>
#include <optional>

#include "analysis/amino_acid_families.hpp"

namespace kestrel {

namespace {

std::int64_t familyTotal(const std::array<std::int32_t, 64>& codonCount, const AminoAcidFamily& family) {
    std::int64_t total = 0;
    for (const int c : family) total += codonCount[c];
    return total;
}

// A value that is not a finite number is no value.
std::optional<double> finite(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// ChiL and ChiSc; none when n, the synonymous codons, is 0.
void computeChiSquare(const std::array<std::int32_t, 64>& codonCount, CodonBiasResults& results) {
    double chi2 = 0.0;
    double x = 0.0;
    std::int64_t n = 0;
    for (int a = 0; a < AminoAcidCount; ++a) {
        if (!isSynonymousFamily(a)) continue;
        const AminoAcidFamily& family = Families[a];
        const std::int64_t na = familyTotal(codonCount, family);
        n += na;
        x += static_cast<double>(family.size - 1) * static_cast<double>(na);
        if (na == 0) continue;
        const double expected = static_cast<double>(na) / family.size;
        for (const int c : family) {
            double d = static_cast<double>(codonCount[c]) - expected;
            // Continuity correction: a plain shift by one half toward zero.
            if (d > 0.0) d -= 0.5;
            else if (d < 0.0) d += 0.5;
            chi2 += d * d / expected;
        }
    }
    if (n == 0) return;
    const double nd = static_cast<double>(n);
    const double chiL = chi2 / nd;
    results.chiL = finite(chiL);
    results.chiSc = finite(chiL / (x / nd));
}

std::optional<double> computeEnc(const std::array<std::int32_t, 64>& codonCount) {
    // Sum and number of usable homozygosities per family size 2, 3, 4 and 6.
    std::array<double, 9> sum{};
    std::array<int, 9> used{};
    for (int a = 0; a < AminoAcidCount; ++a) {
        if (!isSynonymousFamily(a)) continue;
        const AminoAcidFamily& family = Families[a];
        const std::int64_t na = familyTotal(codonCount, family);
        if (na < 2) continue;
        const double nd = static_cast<double>(na);
        std::int64_t squares = 0;
        double s = 0.0;
        for (const int c : family) {
            const std::int32_t count = codonCount[c];
            squares += static_cast<std::int64_t>(count) * count;
            const double p = static_cast<double>(count) / nd;
            s += p * p;
        }
        // F > 0 exactly when the squared counts sum to more than n. Decided on integers: the
        // value below comes out a rounding error above an exact 0 for some counts.
        if (squares <= na) continue;
        const double f = (nd * s - 1.0) / (nd - 1.0);
        sum[family.size] += f;
        ++used[family.size];
    }
    if (used[2] == 0 || used[4] == 0 || used[6] == 0) return std::nullopt;
    const double f2 = sum[2] / used[2];
    const double f4 = sum[4] / used[4];
    const double f6 = sum[6] / used[6];
    const double f3 = used[3] > 0 ? sum[3] : (f2 + f4) / 2.0;
    const double enc = 2.0 + 9.0 / f2 + 1.0 / f3 + 5.0 / f4 + 3.0 / f6;
    return enc > 61.0 ? 61.0 : enc;
}

double computeFop(const std::array<std::int32_t, 64>& codonCount, const OptimalCodonFlags& flags,
                  std::int64_t n) {
    std::int64_t optimal = 0;
    for (int c = 0; c < 64; ++c)
        if (isSynonymousFamily(GeneticCode[c]) && flags[c] == 1) optimal += codonCount[c];
    return static_cast<double>(optimal) / static_cast<double>(n);
}

double computeCai(const std::array<std::int32_t, 64>& codonCount, const CaiWeights& weights,
                  std::int64_t n) {
    double logSum = 0.0;
    for (int c = 0; c < 64; ++c) {
        if (!isSynonymousFamily(GeneticCode[c]) || codonCount[c] <= 0) continue;
        // A codon of weight 0 makes the geometric mean 0.
        if (weights[c] == 0.0) return 0.0;
        logSum += static_cast<double>(codonCount[c]) * std::log(weights[c]);
    }
    return std::exp(logSum / static_cast<double>(n));
}

}  // namespace

std::int64_t synonymousCodonCount(const std::array<std::int32_t, 64>& codonCount) {
    std::int64_t n = 0;
    for (int c = 0; c < 64; ++c)
        if (isSynonymousFamily(GeneticCode[c])) n += codonCount[c];
    return n;
}

CodonBiasResults computeCodonBias(const std::array<std::int32_t, 64>& codonCount, const RunSettings& settings,
                                  const ReferenceTables& references) {
    CodonBiasResults results;
    computeChiSquare(codonCount, results);
    results.enc = computeEnc(codonCount);
    const std::int64_t n = synonymousCodonCount(codonCount);
    if (n == 0) return results;
    if (settings.preferredCodonListUsed) results.fop = finite(computeFop(codonCount, references.optimalCodonFlags, n));
    if (settings.rscuTableUsed) results.cai = finite(computeCai(codonCount, references.caiWeights, n));
    return results;
}

}  // namespace kestrel
