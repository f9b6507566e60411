#include "tools/iterative_set.hpp"

#include <algorithm>
#include <numeric>

#include "analysis/cai_weights.hpp"
#include "analysis/codon_bias.hpp"

namespace kestrel::reference {

namespace {

ReferenceTables weightsOf(const std::vector<ReferenceGene>& genes, const std::vector<std::size_t>& members,
                          const RunSettings& settings) {
    ReferenceTables tables;
    for (const std::size_t i : members)
        for (int c = 0; c < 64; ++c) tables.referenceCounts[c] += genes[i].codonCount[c];
    computeCaiWeights(tables.referenceCounts, settings.geneticCode, tables.caiWeights);
    floorCaiWeights(tables.caiWeights, settings.geneticCode, settings.minimumRscu);
    return tables;
}

// The size genes with the highest CAI under the tables, ascending by index.
std::vector<std::size_t> topGenes(const std::vector<ReferenceGene>& genes, const ReferenceTables& tables,
                                  const RunSettings& settings, std::size_t size) {
    std::vector<std::pair<double, std::size_t>> ranked;
    ranked.reserve(genes.size());
    for (std::size_t i = 0; i < genes.size(); ++i)
        if (const auto cai = geneCai(genes[i].codonCount, settings.geneticCode, tables.caiWeights))
            ranked.emplace_back(*cai, i);
    size = std::min(size, ranked.size());
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    std::vector<std::size_t> top;
    for (std::size_t k = 0; k < size; ++k) top.push_back(ranked[k].second);
    std::sort(top.begin(), top.end());
    return top;
}

}  // namespace

std::size_t iterativeTargetSize(std::size_t genes) {
    const std::size_t onePercent = (genes + 99) / 100;
    return std::min(genes, std::max<std::size_t>(20, onePercent));
}

IterativeSet iterateReferenceSet(const std::vector<ReferenceGene>& genes, const RunSettings& settings,
                                 std::size_t maxRounds) {
    IterativeSet result;
    result.members.resize(genes.size());
    std::iota(result.members.begin(), result.members.end(), std::size_t{0});
    const std::size_t target = iterativeTargetSize(genes.size());
    while (result.rounds.size() < maxRounds) {
        const std::size_t size = std::max(target, result.members.size() / 2);
        const ReferenceTables tables = weightsOf(genes, result.members, settings);
        std::vector<std::size_t> next = topGenes(genes, tables, settings, size);
        std::vector<std::size_t> entered;
        std::set_difference(next.begin(), next.end(), result.members.begin(), result.members.end(),
                            std::back_inserter(entered));
        const bool same = next == result.members;
        result.rounds.push_back({next.size(), entered.size()});
        result.members = std::move(next);
        if (same) {
            result.converged = true;
            break;
        }
    }
    return result;
}

}  // namespace kestrel::reference
