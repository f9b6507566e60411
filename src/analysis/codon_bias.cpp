#include "analysis/codon_bias.hpp"

#include <cmath>
#include <limits>

#include "analysis/genetic_code.hpp"
#include "setup/console.hpp"

namespace kestrel {

namespace {

// The codons of each amino acid in ascending CodonIndex, so every sum over a family
// visits them in the same order.
struct Family {
    std::array<int, 6> codons{};
    int size = 0;
};

constexpr std::array<Family, AminoAcidCount> Families = [] {
    std::array<Family, AminoAcidCount> families{};
    for (int c = 0; c < 64; ++c) {
        Family& family = families[GeneticCode[c]];
        family.codons[family.size++] = c;
    }
    return families;
}();

std::int64_t familyTotal(const std::array<std::int32_t, 64>& codonCount, const Family& family) {
    std::int64_t total = 0;
    for (int i = 0; i < family.size; ++i) total += codonCount[family.codons[i]];
    return total;
}

constexpr double Undefined = std::numeric_limits<double>::quiet_NaN();

void computeChiSquare(const std::array<std::int32_t, 64>& codonCount, CodonBiasResults& results) {
    double chi2 = 0.0;
    double x = 0.0;
    std::int64_t n = 0;
    for (int a = 0; a < AminoAcidCount; ++a) {
        if (!isSynonymousFamily(a)) continue;
        const Family& family = Families[a];
        const std::int64_t na = familyTotal(codonCount, family);
        n += na;
        x += static_cast<double>(family.size - 1) * static_cast<double>(na);
        if (na == 0) continue;
        const double expected = static_cast<double>(na) / family.size;
        for (int i = 0; i < family.size; ++i) {
            double d = static_cast<double>(codonCount[family.codons[i]]) - expected;
            // Continuity correction: a plain shift by one half toward zero.
            if (d > 0.0) d -= 0.5;
            else if (d < 0.0) d += 0.5;
            chi2 += d * d / expected;
        }
    }
    if (n == 0) {
        results.ChiL = Undefined;
        results.ChiSc = Undefined;
        return;
    }
    const double nd = static_cast<double>(n);
    results.ChiL = chi2 / nd;
    results.ChiSc = results.ChiL / (x / nd);
}

double computeEnc(const std::array<std::int32_t, 64>& codonCount) {
    // Sum and number of usable homozygosities per family size 2, 3, 4 and 6.
    std::array<double, 7> sum{};
    std::array<int, 7> used{};
    for (int a = 0; a < AminoAcidCount; ++a) {
        if (!isSynonymousFamily(a)) continue;
        const Family& family = Families[a];
        const std::int64_t na = familyTotal(codonCount, family);
        if (na < 2) continue;
        const double nd = static_cast<double>(na);
        std::int64_t squares = 0;
        double s = 0.0;
        for (int i = 0; i < family.size; ++i) {
            const std::int32_t count = codonCount[family.codons[i]];
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
    if (used[2] == 0 || used[4] == 0 || used[6] == 0) return 0.0;
    const double f2 = sum[2] / used[2];
    const double f4 = sum[4] / used[4];
    const double f6 = sum[6] / used[6];
    const double f3 = used[3] > 0 ? sum[3] : (f2 + f4) / 2.0;
    const double enc = 2.0 + 9.0 / f2 + 1.0 / f3 + 5.0 / f4 + 3.0 / f6;
    return enc > 61.0 ? 61.0 : enc;
}

double computeFop(const std::array<std::int32_t, 64>& codonCount, const OptimalCodonFlags& flags,
                  std::int64_t n) {
    if (n == 0) return Undefined;
    std::int64_t optimal = 0;
    for (int c = 0; c < 64; ++c)
        if (isSynonymousFamily(GeneticCode[c]) && flags[c] == 1) optimal += codonCount[c];
    return static_cast<double>(optimal) / static_cast<double>(n);
}

void floorWeights(CaiWeights& weights, double minimumRscu) {
    for (int c = 0; c < 64; ++c)
        // The negated test also raises a weight that is not a number.
        if (isSynonymousFamily(GeneticCode[c]) && !(weights[c] >= minimumRscu))
            weights[c] = minimumRscu;
}

double computeCai(const std::array<std::int32_t, 64>& codonCount, const CaiWeights& weights,
                  std::int64_t n) {
    if (n == 0) return Undefined;
    double logSum = 0.0;
    for (int c = 0; c < 64; ++c) {
        if (!isSynonymousFamily(GeneticCode[c]) || codonCount[c] <= 0) continue;
        // A codon of weight 0 makes the geometric mean 0.
        if (weights[c] == 0.0) return 0.0;
        logSum += static_cast<double>(codonCount[c]) * std::log(weights[c]);
    }
    return std::exp(logSum / static_cast<double>(n));
}

void announce(Console& console, const char* text, const std::string& gene) {
    console.write(text);
    console.write(gene);
}

}  // namespace

std::int64_t synonymousCodonCount(const std::array<std::int32_t, 64>& codonCount) {
    std::int64_t n = 0;
    for (int c = 0; c < 64; ++c)
        if (isSynonymousFamily(GeneticCode[c])) n += codonCount[c];
    return n;
}

void computeCodonBias(const GeneCounts& counts, const RunSettings& settings,
                      ReferenceTables& references, bool& minimumRscuPending,
                      const std::string& gene, Console& console, CodonBiasResults& results) {
    const auto& codonCount = counts.codonCount;
    const std::int64_t n = synonymousCodonCount(codonCount);

    announce(console, "\n   Chi/L calculation started for ", gene);
    computeChiSquare(codonCount, results);

    announce(console, "\n   ENC calculation started for ", gene);
    results.Enc = computeEnc(codonCount);

    if (settings.preferredCodonListUsed) {
        announce(console, "\n   Fop calculation started for ", gene);
        results.Fop = computeFop(codonCount, references.optimalCodonFlags, n);
    }

    if (settings.rscuTableUsed) {
        announce(console, "\n   CAI calculation started for ", gene);
        if (minimumRscuPending) {
            floorWeights(references.caiWeights, settings.minimumRscu);
            minimumRscuPending = false;
        }
        results.Cai = computeCai(codonCount, references.caiWeights, n);
    }
}

}  // namespace kestrel
