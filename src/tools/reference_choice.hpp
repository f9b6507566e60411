// A genome's own CAI and Fop reference, as kestrel-reference and kestrel-genome build it: the
// set of reference genes chosen one of four ways, and the texts of the .scu, .opt and
// .reference.tsv files made from it.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/run_settings.hpp"
#include "tools/coa_reference.hpp"
#include "tools/genome_genes.hpp"
#include "tools/reference_build.hpp"
#include "tools/reference_report.hpp"

namespace kestrel::reference {

// How the set is chosen: "ribosomal", "iterative", "coa" or "genes:FILE".
struct SetChoice {
    std::string set = "ribosomal";
    double coaShare = CoaReferenceShare;  // of the genes, for "coa"
};

// Whether the text names a set; false for anything else.
bool isSetName(const std::string& set);

// The members of the chosen set (indices into the genome's genes, ascending), with what the
// free texts say of them in how; each further note also goes to err after prefix.
std::vector<std::size_t> chooseSet(const SetChoice& choice, const GenomeGenes& genome, const RunSettings& settings,
                                   Provenance& how, const std::string& prefix, std::ostream& err);

// What a reference is written as.
struct ReferenceFiles {
    ReferenceResult result;
    std::array<std::int32_t, 64> counts{};   // the .scu entries
    std::array<std::int32_t, 64> optimal{};  // the .opt entries: 1 for an optimal codon
    std::string scu, opt, table;             // the three files' texts
};

// The reference of the members under the settings' genetic code. A ToolFailure for a set
// whose codon counts exceed what the .scu file holds.
ReferenceFiles makeReferenceFiles(const GenomeGenes& genome, std::vector<std::size_t> members,
                                  const RunSettings& settings, const Provenance& how);

}  // namespace kestrel::reference
