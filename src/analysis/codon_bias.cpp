// Stand-in until the indices are written.
#include "analysis/codon_bias.hpp"

namespace kestrel {

void computeCodonBias(const GeneCounts&, const RunSettings&, ReferenceTables&, bool&,
                      const std::string&, Console&, CodonBiasResults& results) {
    results = CodonBiasResults{};
}

}  // namespace kestrel
