// Per-gene counts, status flags and base tallies, reset before each analysed gene and
// filled while the gene is walked.
#pragma once

#include <array>
#include <cstdint>

namespace kestrel {

using BaseCounts = std::array<std::int32_t, 4>;                  // A, G, C, T
using PositionBaseCounts = std::array<BaseCounts, 3>;             // codon positions 1, 2, 3

struct GeneCounts {
    std::array<std::int32_t, 64> codonCount{};
    bool noStart = false;  // the first codon is not a valid start
    bool noStop = false;   // the last codon is not a stop
    bool preStop = false;  // a stop codon before the last codon
    std::int32_t badCodons = 0;
    std::array<int, 3> startCodon{4, 4, 4};  // 4, 4, 4 = not recorded
    std::array<int, 3> stopCodon{4, 4, 4};

    PositionBaseCounts positionBase{};
    PositionBaseCounts deg2Base{};
    PositionBaseCounts deg4Base{};
    PositionBaseCounts deg6Base{};

    // Segment window: bounds in codon numbers, fixed before the walk.
    bool segmentValid = false;
    std::int32_t segLo = 0;
    std::int32_t segHi = 0;
    std::int32_t segmentPreferred = 0;
    PositionBaseCounts segmentBase{};

    BaseCounts upBase{};
    std::int32_t upBad = 0;
    BaseCounts coreBase{};
    std::int32_t coreBad = 0;
    BaseCounts downBase{};
    std::int32_t downBad = 0;

    std::int32_t codonTotal = 0;  // (sum of exon lengths) / 3
};

}  // namespace kestrel
