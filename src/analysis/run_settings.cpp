#include "analysis/run_settings.hpp"

namespace kestrel {

std::optional<std::string> settingsProblem(const RunSettings& s) {
    if (!(s.minimumRscu >= 0.0 && s.minimumRscu < 1.0)) return "the minimum RSCU must be at least 0 and below 1";
    if (!s.segmentAnalysis || s.checkLookupTable) return std::nullopt;
    if (!s.preferredCodonListUsed) return "the segment analysis needs a list of optimal codons";
    if (s.segmentRelativeToStop) {
        if (s.segmentBegin < 2) return "a segment counted back from the stop codon begins 2 or more codons before it";
        if (s.segmentEnd < 0 || s.segmentEnd >= s.segmentBegin)
            return "a segment counted back from the stop codon ends nearer the stop than it begins (0 allowed)";
    } else {
        if (s.segmentBegin < 1) return "a segment counted from the start codon begins 1 or more codons after it";
        if (s.segmentEnd <= s.segmentBegin) return "a segment counted from the start codon ends beyond its begin";
    }
    return std::nullopt;
}

}  // namespace kestrel
