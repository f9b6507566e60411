// Reference data loaded from the .scu (codon counts for CAI) and .opt (optimal codons
// for Fop and the segment analysis) files. All entries start at 0.
#pragma once

#include <array>
#include <cstdint>

namespace kestrel {

using ReferenceCounts = std::array<std::int32_t, 64>;
using CaiWeights = std::array<double, 64>;
using OptimalCodonFlags = std::array<std::int32_t, 64>;  // 1 = optimal, anything else = not

struct ReferenceTables {
    ReferenceCounts referenceCounts{};
    CaiWeights caiWeights{};
    OptimalCodonFlags optimalCodonFlags{};
};

}  // namespace kestrel
