// Stand-in until the loaders are written.
#include "analysis/reference_files.hpp"

namespace kestrel {

void loadRscuTable(Console&, RunSettings&, ReferenceTables&) {}
void loadOptimalCodons(Console&, RunSettings&, ReferenceTables&) {}

}  // namespace kestrel
