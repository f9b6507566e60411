#include "analysis/cai_weights.hpp"

#include <algorithm>

#include "analysis/amino_acid_families.hpp"

namespace kestrel {

void computeCaiWeights(const ReferenceCounts& counts, CaiWeights& weights) {
    for (int aa = 0; aa < Stp; ++aa) {
        if (!isSynonymousFamily(aa)) continue;
        std::int32_t most = 0;
        for (const int c : Families[aa]) most = std::max(most, counts[c]);
        for (const int c : Families[aa]) weights[c] = static_cast<double>(counts[c]) / static_cast<double>(most);
    }
}

void floorCaiWeights(CaiWeights& weights, double minimumRscu) {
    for (int c = 0; c < 64; ++c)
        // The negated test also raises a weight that is not a number.
        if (isSynonymousFamily(GeneticCode[c]) && !(weights[c] >= minimumRscu)) weights[c] = minimumRscu;
}

}  // namespace kestrel
