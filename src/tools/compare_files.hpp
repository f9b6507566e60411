// kestrel-compare's run on files: the genes of the output files read, the two sets chosen,
// compared, and the table and figure written.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/set_comparison.hpp"
#include "tools/gene_sets.hpp"
#include "tools/set_comparison_report.hpp"

namespace kestrel {

struct CompareRequest {
    std::vector<std::string> inputs;  // the output files named
    GeneSetChoice first;
    std::optional<GeneSetChoice> second;  // none: every gene not in the first set
    std::string tablePath;                // "" or "-": standard output
    std::string figurePath;               // "": no figure
    SetComparisonSettings settings;
    double alpha = DefaultComparisonAlpha;
    bool allowIncomplete = false;
};

// The output files whose genes are read: the inputs, then the files the sets name.
std::vector<std::string> compareGeneFiles(const CompareRequest& request);
// Every file read: those and the lists the sets name.
std::vector<std::string> compareInputPaths(const CompareRequest& request);

// Throws ToolFailure or KstlError (bad data) for what cannot be read, a set without a gene
// and a gene in both sets.
void runCompareOnFiles(const CompareRequest& request, std::ostream& out, std::ostream& err);

}  // namespace kestrel
