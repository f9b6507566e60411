// A genome's predicted minimal doubling time from its genes: which genes are highly expressed
// (HE), the growth statistics of analysis/growth_statistics.hpp, the published model's
// prediction, and the row of a growth table, for kestrel-growth and for whatever else
// summarises a genome from genes it has already read.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/annotated_inputs.hpp"
#include "tools/genome_genes.hpp"

namespace kestrel {

enum class HeRule {
    Ribosomal,  // the cytoplasmic ribosomal proteins, by their product (kestrel-reference's set)
    Training,   // the header holds "ribosomal protein" (the rule of the model's training statistics)
    Refined,    // the header holds "0S ribosomal protein", and neither "methyl" nor "hydroxy"
    Genes,      // the genes named in a list
};

// The rule's name in the table: ribosomal, training, refined, genes.
std::string_view heRuleName(HeRule rule);

struct GrowthOptions {
    HeRule rule = HeRule::Ribosomal;
    std::string geneList{};  // for HeRule::Genes: the list's text, one name a line (as kestrel-reference reads it)
    std::optional<double> temperature{};  // the optimal growth temperature in degrees C: the temperature model
    std::int32_t geneticCode = 11;     // the code the genes are read with
};

struct GrowthRow {
    std::string genome;
    std::optional<double> cubHe, consistencyHe, cpb, cpbPlain;
    std::int64_t filteredSequences = 0;  // genes that do not enter the statistics
    std::int64_t nHe = 0;                // HE genes among those that do
    std::optional<double> d, dLower, dUpper;
    std::string heRule;
    std::string model;  // "base", or "temperature:C"
    std::vector<std::string> warnings;
    std::int64_t kept = 0;        // genes that enter the statistics
    std::int64_t pseudoKept = 0;  // pseudo CDSs among them
};

// The genes of the inputs for the growth statistics: the CDSs kestrel-reference reads, with
// their letters and headers, of one genetic code (wanted, or the most common); with
// keepPseudo also the pseudo and partial CDSs, as the published statistics count every CDS
// of a genome's coding-sequence file. A ToolFailure for an input that cannot be read.
reference::GenomeGenes readGrowthGenes(const std::vector<InputFiles>& inputs, bool keepPseudo,
                                       std::int32_t wantedCode);

// The header a gene's HE rule reads: its FASTA header, else one made of its names as NCBI's
// coding-sequence files write it ("[gene=..] [locus_tag=..] [protein=..] [protein_id=..]").
std::string headerOf(const reference::ReferenceGene& gene);

// Whether a header selects its gene under the training or the refined rule.
bool headerSelects(HeRule rule, std::string_view header);

// The row of a genome from its genes (read with their letters); names a list leaves
// unmatched are warned of.
GrowthRow growthOf(const std::vector<reference::ReferenceGene>& genes, const GrowthOptions& options);

// The same for a genome read by readGrowthGenes: with the genetic code it kept, and a warning
// of the CDSs of other codes left out.
GrowthRow growthOf(const reference::GenomeGenes& genome, GrowthOptions options);

// The columns of the growth table and a row's cells, numbers with 15 significant digits and
// NA where there is none; the warnings joined by "; ".
const std::vector<std::string>& growthColumns();
std::vector<std::string> growthCells(const GrowthRow& row);

}  // namespace kestrel
