// A reference set found by correspondence analysis, for genomes whose highly expressed genes
// are not annotated: the genes at one end of the first axis of the within-amino-acid COA of
// their codon counts, the end that holds the ribosomal-protein genes or, with none of them
// annotated, the end whose genes have the lower mean ENC (the more biased codon usage).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analysis/codon_usage_indices.hpp"
#include "analysis/correspondence_analysis.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// The share of the genes taken by default: 5%.
inline constexpr double CoaReferenceShare = 0.05;

struct CoaReferenceSet {
    std::vector<std::size_t> members;  // indices into the genes, ascending
    std::size_t genes = 0;             // genes with a codon that takes part
    double axisShare = 0;              // axis 1's share of the inertia
    bool positiveEnd = true;           // the set lies at the positive end of axis 1
    std::size_t ribosomal = 0;         // ribosomal-protein genes that take part
    double ribosomalMean = 0;          // their mean axis-1 coordinate
    std::size_t ribosomalInSet = 0;
    // Mean ENC of the genes with one at the negative and the positive end (none: no such gene).
    std::optional<double> negativeEnc, positiveEnc;
};

// share of the genes that take part (at least one gene), under the code of the settings;
// ribosomal marks the ribosomal-protein genes (none: all false). Throws CoaError when the
// genes give no axis.
CoaReferenceSet coaReferenceSet(const std::vector<GeneCodonCounts>& genes, const std::vector<bool>& ribosomal,
                                const RunSettings& settings, double share = CoaReferenceShare);

// The method line and the further lines of the reference files' free text.
std::string coaReferenceMethod(double share);
std::vector<std::string> coaReferenceNotes(const CoaReferenceSet& set);

}  // namespace kestrel
