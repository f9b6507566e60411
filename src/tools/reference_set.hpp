// The ways of choosing a genome's reference genes.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "tools/reference_gene.hpp"

namespace kestrel::reference {

// The CDSs whose /product names a cytoplasmic ribosomal protein (or an organelle's, in an
// organelle genome); indices into genes, ascending.
std::vector<std::size_t> ribosomalGenes(const std::vector<ReferenceGene>& genes);

struct ListedGenes {
    std::vector<std::size_t> members;      // indices into genes, ascending
    std::vector<std::string> unmatched;    // names of the list that name no gene, in list order
    std::size_t names = 0;                 // names read from the list
};

// The genes named in a list, one name a line (blank lines and lines beginning with '#' are
// passed over; blanks around a name are dropped). A name matches a gene whose /locus_tag,
// /gene, /protein_id or /old_locus_tag is exactly that name (a name may match several).
ListedGenes listedGenes(std::istream& list, const std::vector<ReferenceGene>& genes);

}  // namespace kestrel::reference
