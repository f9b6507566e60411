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
    std::array<std::int64_t, 7> startTally{};  // ATG GTG CTG TTG ATA ATC ATT
    std::array<std::int64_t, 3> stopTally{};   // TAA TAG TGA
};

}  // namespace kestrel
