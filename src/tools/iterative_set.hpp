// The self-consistent reference set of a genome without expression data: the genes whose
// codon usage is closest to that of the set itself.
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/run_settings.hpp"
#include "tools/reference_gene.hpp"

namespace kestrel::reference {

struct IterativeRound {
    std::size_t setSize = 0;  // genes kept by this round
    std::size_t changed = 0;  // genes that entered the set in this round
};

struct IterativeSet {
    std::vector<std::size_t> members;  // indices into the genes, ascending
    std::vector<IterativeRound> rounds;
    bool converged = false;  // the last round left the set as it was
};

// The final size: 1% of the genes, rounded up, and at least 20 (all genes when fewer).
std::size_t iterativeTargetSize(std::size_t genes);

// Starts from all genes. Each round takes the CAI weights of the current set (its summed
// codon counts, weights floored at settings.minimumRscu, 0.01 unless changed, as in the analysis, under the settings' code), computes
// the CAI of every gene, and keeps the highest-CAI genes of the whole genome: half as many
// as the set held, but never fewer than the target size. Once at the target size, the rounds
// go on until a round leaves the set unchanged, or at most maxRounds rounds in all. Genes
// without a synonymous codon have no CAI and are never kept; ties keep the earlier gene.
IterativeSet iterateReferenceSet(const std::vector<ReferenceGene>& genes, const RunSettings& settings,
                                 std::size_t maxRounds = 50);

}  // namespace kestrel::reference
