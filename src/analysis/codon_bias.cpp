#include "analysis/codon_bias.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "analysis/genetic_code.hpp"

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
void computeChiSquare(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code,
                      CodonBiasResults& results) {
    double chi2 = 0.0;
    double x = 0.0;
    std::int64_t n = 0;
    for (int a = 0; a < AminoAcidCount; ++a) {
        if (!code.isSynonymous(a)) continue;
        const AminoAcidFamily& family = code.families[a];
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

// Sum and number of the usable homozygosities F of each ENC class (family size).
struct Homozygosities {
    std::array<double, MaxFamilySize + 1> sum{};
    std::array<int, MaxFamilySize + 1> used{};
};

Homozygosities homozygosities(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code) {
    Homozygosities f;
    for (int a = 0; a < AminoAcidCount; ++a) {
        if (!code.isSynonymous(a)) continue;
        const AminoAcidFamily& family = code.families[a];
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
        f.sum[family.size] += (nd * s - 1.0) / (nd - 1.0);
        ++f.used[family.size];
    }
    return f;
}

// Each amino acid with a single codon adds 1, each class k of the code adds the number of
// its amino acids over the mean F of the class. A class without a usable amino acid leaves
// ENC without a value, except the three-codon class, which then takes (F2 + F4) / 2. At
// most the number of sense codons of the code (61 in the standard code).
std::optional<double> computeEnc(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code) {
    const Homozygosities f = homozygosities(codonCount, code);
    std::array<double, MaxFamilySize + 1> mean{};
    for (int k = 2; k <= MaxFamilySize; ++k) {
        if (code.aminoAcidsOfSize[k] == 0 || f.used[k] == 0) continue;
        mean[k] = f.sum[k] / f.used[k];
    }
    if (code.aminoAcidsOfSize[3] > 0 && f.used[3] == 0 && f.used[2] > 0 && f.used[4] > 0)
        mean[3] = (mean[2] + mean[4]) / 2.0;
    double enc = code.aminoAcidsOfSize[1];
    for (int k = 2; k <= MaxFamilySize; ++k) {
        if (code.aminoAcidsOfSize[k] == 0) continue;
        if (mean[k] == 0.0) return std::nullopt;
        enc += code.aminoAcidsOfSize[k] / mean[k];
    }
    return std::min(enc, static_cast<double>(code.senseCodons));
}

double computeFop(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code,
                  const OptimalCodonFlags& flags, std::int64_t n) {
    std::int64_t optimal = 0;
    for (int c = 0; c < 64; ++c)
        if (code.isSynonymous(code.aminoAcid[c]) && flags[c] == 1) optimal += codonCount[c];
    return static_cast<double>(optimal) / static_cast<double>(n);
}

double computeCai(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code,
                  const CaiWeights& weights, std::int64_t n) {
    double logSum = 0.0;
    for (int c = 0; c < 64; ++c) {
        if (!code.isSynonymous(code.aminoAcid[c]) || codonCount[c] <= 0) continue;
        // A codon of weight 0 makes the geometric mean 0.
        if (weights[c] == 0.0) return 0.0;
        logSum += static_cast<double>(codonCount[c]) * std::log(weights[c]);
    }
    return std::exp(logSum / static_cast<double>(n));
}

}  // namespace

std::int64_t synonymousCodonCount(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code) {
    std::int64_t n = 0;
    for (int c = 0; c < 64; ++c)
        if (code.isSynonymous(code.aminoAcid[c])) n += codonCount[c];
    return n;
}

std::optional<double> geneCai(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code,
                              const CaiWeights& weights) {
    const std::int64_t n = synonymousCodonCount(codonCount, code);
    if (n == 0) return std::nullopt;
    return finite(computeCai(codonCount, code, weights, n));
}

CodonBiasResults computeCodonBias(const std::array<std::int32_t, 64>& codonCount, const RunSettings& settings,
                                  const ReferenceTables& references) {
    const GeneticCode& code = settings.geneticCode;
    CodonBiasResults results;
    computeChiSquare(codonCount, code, results);
    results.enc = computeEnc(codonCount, code);
    const std::int64_t n = synonymousCodonCount(codonCount, code);
    if (n == 0) return results;
    if (settings.preferredCodonListUsed)
        results.fop = finite(computeFop(codonCount, code, references.optimalCodonFlags, n));
    if (settings.rscuTableUsed) results.cai = geneCai(codonCount, code, references.caiWeights);
    return results;
}

}  // namespace kestrel
