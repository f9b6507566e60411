// The genes of analysis output files and the sets of them whose codon usage is compared:
// named by a list of gene names, a kestrel-reference table, an output file, or a contig.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

enum class GeneSetKind {
    Genes,      // genes:FILE, the genes named in a list (or a kestrel-reference table)
    Reference,  // reference:FILE.reference.tsv, the gene rows of a kestrel-reference table
    File,       // file:OUTPUT.kstl, every gene of that output file
    Contig,     // contig:ID, the genes whose Contig cell is ID
};

struct GeneSetChoice {
    GeneSetKind kind = GeneSetKind::Genes;
    std::string value;  // the file or the contig
    std::string text;   // as given
};

// Reads "KIND:VALUE"; throws UsageError for anything else.
GeneSetChoice parseGeneSetChoice(const std::string& text);

struct PooledGene {
    std::uint32_t file = 0;  // index into GenePool::files
    std::string name;
    std::string contig;
    GeneCodonCounts counts{};
};

// Every gene row of some output files, read once each.
struct GenePool {
    std::vector<std::string> files;
    std::vector<PooledGene> genes;
    int geneticCode = 1;
};

// Reads the files in order, a file named twice (by any path to it) only once. Throws
// ToolFailure or KstlError for a file that cannot be read, is not a complete output file
// with codon counts, or was read under another genetic code than the first; a file cut
// short is taken, with a warning on err, when allowIncomplete. tool ("kestrel-NAME: ")
// begins the warnings.
GenePool readGenePool(const std::vector<std::string>& paths, bool allowIncomplete, std::string_view tool,
                      std::ostream& err);

// Which genes of the pool the choice names. unmatched counts the names of a list that name
// no gene of the pool. Throws ToolFailure for a list that cannot be read, or a reference
// set that is no kestrel-reference table.
std::vector<bool> genesInSet(const GeneSetChoice& choice, const GenePool& pool, std::size_t& unmatched);

}  // namespace kestrel
