// tRNA census files of any content: read or refused with a reason; the weights and tAI stay within their range.
#include <cmath>

#include "fuzz_input.hpp"
#include "formats/trna_census.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(fuzzText(data, size));
    kestrel::TrnaCensus census;
    if (!kestrel::readTrnaCensus(in, census).empty()) return 0;
    const auto weights = kestrel::trnaWeights(census, kestrel::StandardCode);
    if (!weights) return 0;
    kestrel::GeneCodonCounts counts{};
    for (std::size_t c = 0; c < 64; ++c) {
        const double w = (*weights)[c];
        if (!(w >= 0 && w <= 1)) __builtin_trap();
        counts[c] = static_cast<std::int32_t>(c < size ? data[c] : 1);
    }
    const auto tai = kestrel::trnaAdaptationIndex(counts, *weights, kestrel::StandardCode);
    if (tai && !(*tai > 0 && *tai <= 1 + 1e-12)) __builtin_trap();
    return 0;
}
