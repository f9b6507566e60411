#include "analysis/cai_weights.hpp"

#include <algorithm>

#include "analysis/genetic_code.hpp"

namespace kestrel {

void computeCaiWeights(const ReferenceCounts& counts, const GeneticCode& code, CaiWeights& weights) {
    for (int aa = 0; aa < Stp; ++aa) {
        if (!code.isSynonymous(aa)) continue;
        std::int32_t most = 0;
        for (const int c : code.families[aa]) most = std::max(most, counts[c]);
        for (const int c : code.families[aa])
            weights[c] = static_cast<double>(counts[c]) / static_cast<double>(most);
    }
}

void floorCaiWeights(CaiWeights& weights, const GeneticCode& code, double minimumRscu) {
    for (int c = 0; c < 64; ++c)
        // The negated test also raises a weight that is not a number.
        if (code.isSynonymous(code.aminoAcid[c]) && !(weights[c] >= minimumRscu)) weights[c] = minimumRscu;
}

}  // namespace kestrel
