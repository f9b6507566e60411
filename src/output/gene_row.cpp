// Stand-in until the row writer is written.
#include "output/gene_row.hpp"

namespace kestrel {

void writeGeneOutput(std::ostream&, bool, const GeneRecord&, GeneCounts&, const RunSettings&,
                     ReferenceTables&, bool&, CodonBiasResults&, Console&) {}

}  // namespace kestrel
