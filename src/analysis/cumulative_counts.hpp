// Run-level sums over the genes that pass the stringency rules. 64-bit, so that runs
// over many genomes cannot overflow.
#pragma once

#include <array>
#include <cstdint>

namespace kestrel {

struct CumulativeCounts {
    std::array<std::int64_t, 64> cumCodonCount{};
    std::int64_t genesIncluded = 0;
    std::int64_t genesExcluded = 0;
    std::int64_t cumBadCodons = 0;
    // Included genes by their recorded start and stop codon, by CodonIndex; the summary
    // lists the code's start and stop codons.
    std::array<std::int64_t, 64> startTally{};
    std::array<std::int64_t, 64> stopTally{};
};

}  // namespace kestrel
