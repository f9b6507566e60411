// Loaders of the .scu (reference codon counts, CAI weights) and .opt (optimal codon)
// files, run from the menus during setup.
#pragma once

namespace kestrel {

class Console;
struct RunSettings;
struct ReferenceTables;

void loadRscuTable(Console& console, RunSettings& settings, ReferenceTables& references);
void loadOptimalCodons(Console& console, RunSettings& settings, ReferenceTables& references);

}  // namespace kestrel
