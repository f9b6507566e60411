// The prompts that load the reference files during setup: the RSCU table (.scu) for CAI
// and the preferred-codon list (.opt) for Fop and the segment analysis.
#pragma once

namespace kestrel {

class Console;
struct ReferenceTables;
struct RunSettings;

// Each asks for a prefix until a file of that name opens and reads (or the user quits).
void loadRscuTable(Console& console, RunSettings& settings, ReferenceTables& references);
void loadOptimalCodons(Console& console, RunSettings& settings, ReferenceTables& references);

}  // namespace kestrel
