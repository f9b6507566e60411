// Reference files of any content: 64 values read or nothing changed; weights from any counts stay in range.
#include <cmath>

#include "fuzz_input.hpp"
#include "analysis/cai_weights.hpp"
#include "formats/reference_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(fuzzText(data, size));
    kestrel::ReferenceCounts counts;
    counts.fill(-7);
    if (!kestrel::readReferenceEntries(in, counts)) {
        for (auto v : counts)
            if (v != -7) __builtin_trap();  // a refused file leaves the table alone
        return 0;
    }
    kestrel::CaiWeights weights{};
    kestrel::computeCaiWeights(counts, kestrel::StandardCode, weights);
    for (double w : weights)
        if (w > 1.0) __builtin_trap();  // nothing is more adaptive than the most used codon
    return 0;
}
