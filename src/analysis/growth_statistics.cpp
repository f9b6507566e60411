#include "analysis/growth_statistics.hpp"

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {

std::array<double, 64> pooledCounts(const std::vector<GeneCodonCounts>& genes, const std::vector<std::size_t>& set) {
    std::array<double, 64> pooled{};
    for (const std::size_t g : set)
        for (int c = 0; c < 64; ++c) pooled[c] += genes[g][c];
    return pooled;
}

double median(std::vector<double> values) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1) return upper;
    return (*std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle)) + upper) / 2;
}

// The counts that the codon pair bias is made of.
struct PairCounts {
    std::array<std::int64_t, 64> codon{};                // N(c)
    std::array<std::int64_t, 64 * 64> pair{};           // N(c,c'), by 64 c + c'
    std::array<std::int64_t, AminoAcidCount> aminoAcid{};  // n(A)
};

void countPairs(const std::vector<std::string_view>& genes, const GeneticCode& code, bool firstIsStart,
                PairCounts& counts) {
    int previous = -1;
    bool first = true;
    for (const std::string_view letters : genes) {
        for (std::size_t i = 0; i + 3 <= letters.size(); i += 3) {
            const CodonBases b{baseIndex(letters[i]), baseIndex(letters[i + 1]), baseIndex(letters[i + 2])};
            if (hasNoBase(b)) {
                previous = -1;
                continue;
            }
            const int c = CodonIndex(b);
            ++counts.codon[c];
            ++counts.aminoAcid[first && firstIsStart && code.start[c] ? Met : code.aminoAcid[c]];
            first = false;
            if (previous >= 0) ++counts.pair[previous * 64 + c];
            previous = c;
        }
    }
}

}  // namespace

bool passesGrowthFilter(std::string_view letters) {
    if (letters.size() < GrowthShortestLength || letters.size() % 3 != 0) return false;
    return std::all_of(letters.begin(), letters.end(), [](char l) { return baseIndex(l) != NoBase; });
}

GrowthFamilies growthFamilies(const GeneticCode& code) {
    GrowthFamilies families;
    for (int c = 0; c < 64; ++c) {
        families.classOf[c] = code.start[c] ? Met : code.aminoAcid[c];
        ++families.size[families.classOf[c]];
    }
    return families;
}

double growthMilc(const GeneCodonCounts& gene, const std::array<double, 64>& reference,
                  const GrowthFamilies& families) {
    std::array<double, AminoAcidCount> used{}, pooled{};
    double length = 0;
    for (int c = 0; c < 64; ++c) {
        used[families.classOf[c]] += gene[c];
        pooled[families.classOf[c]] += reference[c];
        length += gene[c];
    }
    double sum = 0;
    for (int c = 0; c < 64; ++c) {
        if (gene[c] == 0) continue;
        const int a = families.classOf[c];
        sum += 2.0 * gene[c] * std::log((gene[c] / used[a]) / (reference[c] / pooled[a]));
    }
    double correction = 0;
    for (int a = 0; a < AminoAcidCount; ++a)
        if (used[a] > 0) correction += families.size[a] - 1;
    return sum / length - (correction / length - 0.5);
}

HighExpressionBias highExpressionBias(const std::vector<GeneCodonCounts>& genes, const std::vector<std::size_t>& he,
                                      const GrowthFamilies& families) {
    if (he.empty()) return {};
    std::vector<std::size_t> all(genes.size());
    for (std::size_t g = 0; g < genes.size(); ++g) all[g] = g;
    const std::array<double, 64> genome = pooledCounts(genes, all);
    const std::array<double, 64> highlyExpressed = pooledCounts(genes, he);
    std::vector<double> againstGenome;
    double withinSum = 0;
    for (const std::size_t g : he) {
        againstGenome.push_back(growthMilc(genes[g], genome, families));
        withinSum += growthMilc(genes[g], highlyExpressed, families);
    }
    return {median(std::move(againstGenome)), withinSum / static_cast<double>(he.size())};
}

std::optional<double> codonPairBias(const std::vector<std::string_view>& genes, const GeneticCode& code,
                                    PairClasses classes) {
    const bool asPublished = classes == PairClasses::AsPublished;
    const GrowthFamilies families = growthFamilies(code);
    const auto classOf = [&](int c) { return asPublished ? families.classOf[c] : code.aminoAcid[c]; };
    PairCounts counts;
    countPairs(genes, code, asPublished, counts);
    std::array<std::int64_t, AminoAcidCount * AminoAcidCount> classPairs{};  // N(A,B)
    for (int p = 0; p < 64 * 64; ++p) classPairs[classOf(p / 64) * AminoAcidCount + classOf(p % 64)] += counts.pair[p];

    double sum = 0;
    std::int64_t distinct = 0;
    for (int p = 0; p < 64 * 64; ++p) {
        if (counts.pair[p] == 0) continue;
        const int c = p / 64, next = p % 64;
        const auto a = static_cast<double>(counts.aminoAcid[classOf(c)]);
        const auto b = static_cast<double>(counts.aminoAcid[classOf(next)]);
        if (a == 0 || b == 0) return std::nullopt;
        const double expected = static_cast<double>(classPairs[classOf(c) * AminoAcidCount + classOf(next)]) *
                                static_cast<double>(counts.codon[c]) * static_cast<double>(counts.codon[next]) /
                                (a * b);
        sum += std::log(static_cast<double>(counts.pair[p]) / expected);
        ++distinct;
    }
    if (distinct < 2) return std::nullopt;
    return sum / static_cast<double>(distinct - 1);
}

}  // namespace kestrel
