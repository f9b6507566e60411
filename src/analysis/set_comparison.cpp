#include "analysis/set_comparison.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kestrel {

namespace {

CodonTotals totalsOf(const std::vector<GeneCodonCounts>& genes) {
    CodonTotals totals{};
    for (const GeneCodonCounts& gene : genes)
        for (int c = 0; c < 64; ++c) totals[c] += gene[c];
    return totals;
}

double log2OddsRatio(const TwoByTwoTable& t) {
    const bool empty = t.a == 0 || t.b == 0 || t.c == 0 || t.d == 0;
    const double add = empty ? 0.5 : 0.0;
    const auto cell = [add](std::int64_t n) { return static_cast<double>(n) + add; };
    return std::log2(cell(t.a) * cell(t.d) / (cell(t.b) * cell(t.c)));
}

CodonComparison compareCodon(int codon, const AminoAcidFamily& family, const SetComparison& sets) {
    CodonComparison result;
    result.codon = codon;
    result.first = sets.first[codon];
    result.second = sets.second[codon];
    const std::int64_t n1 = familyTotal(sets.first, family), n2 = familyTotal(sets.second, family);
    result.firstRscu = relativeSynonymousUsage(result.first, n1, family.size);
    result.secondRscu = relativeSynonymousUsage(result.second, n2, family.size);
    result.table = {result.first, n1 - result.first, result.second, n2 - result.second};
    result.fisher = fisherExact(result.table);
    result.tested = n1 > 0 && n2 > 0 && result.first + result.second > 0 && n1 + n2 > result.first + result.second;
    if (result.tested) result.log2OddsRatio = log2OddsRatio(result.table);
    return result;
}

void compareCodons(const GeneticCode& code, SetComparison& sets) {
    std::vector<double> p;
    for (int a = 0; a < Stp; ++a) {
        if (!code.isSynonymous(a)) continue;
        const AminoAcidFamily& family = code.families[a];
        FamilyComparison amino;
        amino.aminoAcid = a;
        amino.first = familyTotal(sets.first, family);
        amino.second = familyTotal(sets.second, family);
        std::vector<std::int64_t> firstRow, secondRow;
        for (const int c : family) {
            sets.codons.push_back(compareCodon(c, family, sets));
            if (sets.codons.back().tested) p.push_back(sets.codons.back().fisher.p);
            firstRow.push_back(sets.first[c]);
            secondRow.push_back(sets.second[c]);
        }
        amino.test = chiSquareTest(firstRow, secondRow);
        sets.families.push_back(amino);
    }
    const std::vector<double> q = benjaminiHochberg(p);
    std::size_t next = 0;
    for (CodonComparison& codon : sets.codons)
        if (codon.tested) codon.q = q[next++];
}

// The share of permuted sets at least as distant as the observed ones. The smaller set is
// drawn (the distance is symmetric), by a partial Fisher-Yates shuffle of the genes' indices
// that each permutation continues from where the last left it.
double permutationP(const std::vector<const GeneCodonCounts*>& pool, std::size_t drawn, double observed,
                    const GeneticCode& code, const SetComparisonSettings& settings) {
    CodonTotals all{};
    for (const GeneCodonCounts* gene : pool)
        for (int c = 0; c < 64; ++c) all[c] += (*gene)[c];
    std::vector<std::size_t> order(pool.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::mt19937_64 generator(settings.seed);
    std::uint64_t atLeast = 0;
    CodonTotals chosen{}, rest{};
    for (std::uint64_t round = 0; round < settings.permutations; ++round) {
        chosen.fill(0);
        for (std::size_t i = 0; i < drawn; ++i) {
            const std::size_t j = i + static_cast<std::size_t>(uniformBelow(generator, order.size() - i));
            std::swap(order[i], order[j]);
            const GeneCodonCounts& gene = *pool[order[i]];
            for (int c = 0; c < 64; ++c) chosen[c] += gene[c];
        }
        for (int c = 0; c < 64; ++c) rest[c] = all[c] - chosen[c];
        const auto distance = usageDistance(chosen, rest, code);
        if (distance && *distance >= observed) ++atLeast;
    }
    return static_cast<double>(atLeast + 1) / static_cast<double>(settings.permutations + 1);
}

}  // namespace

std::uint64_t uniformBelow(std::mt19937_64& generator, std::uint64_t n) {
    const std::uint64_t threshold = (0 - n) % n;  // 2^64 mod n
    while (true) {
        const std::uint64_t x = generator();
        if (x >= threshold) return x % n;
    }
}

std::optional<double> usageDistance(const CodonTotals& first, const CodonTotals& second, const GeneticCode& code) {
    double weighted = 0;
    double weights = 0;
    for (int a = 0; a < Stp; ++a) {
        if (!code.isSynonymous(a)) continue;
        const AminoAcidFamily& family = code.families[a];
        const std::int64_t n1 = familyTotal(first, family), n2 = familyTotal(second, family);
        if (n1 == 0 || n2 == 0) continue;
        double difference = 0;
        for (const int c : family)
            difference += std::fabs(static_cast<double>(first[c]) / static_cast<double>(n1) -
                                    static_cast<double>(second[c]) / static_cast<double>(n2));
        const double weight = static_cast<double>(n1 + n2);
        weighted += weight * difference / 2;
        weights += weight;
    }
    if (weights == 0) return std::nullopt;
    return weighted / weights;
}

SetComparison compareGeneSets(const std::vector<GeneCodonCounts>& first, const std::vector<GeneCodonCounts>& second,
                              const GeneticCode& code, const SetComparisonSettings& settings) {
    SetComparison sets;
    sets.settings = settings;
    sets.firstGenes = first.size();
    sets.secondGenes = second.size();
    sets.first = totalsOf(first);
    sets.second = totalsOf(second);
    compareCodons(code, sets);
    sets.distance = usageDistance(sets.first, sets.second, code);
    if (sets.distance && settings.permutations > 0) {
        std::vector<const GeneCodonCounts*> pool;
        pool.reserve(first.size() + second.size());
        for (const auto* set : {&first, &second})
            for (const GeneCodonCounts& gene : *set) pool.push_back(&gene);
        sets.permutationP = permutationP(pool, std::min(first.size(), second.size()), *sets.distance, code, settings);
    }
    return sets;
}

}  // namespace kestrel
