// Everything one run owns: the settings, the current entry, the counts, the reference
// tables, the stored sequence and the files. Each step is handed the parts it needs.
#pragma once

#include <cstdint>

#include "analysis/cumulative_counts.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "input/gene_record.hpp"
#include "input/lookup_table.hpp"
#include "formats/regular_file.hpp"
#include "input/sequence_reader.hpp"
#include "input/stored_sequence.hpp"
#include "output/output_file.hpp"

namespace kestrel {

struct RunContext {
    RunSettings settings;
    GeneRecord record;
    GeneCounts counts;
    CumulativeCounts cumulative;
    ReferenceTables references;

    StoredSequence storedSequence;
    SequenceReader reader{storedSequence};
    InputFile lookupStream;
    OutputFile output;

    std::int32_t nEntries = 0;
    std::int32_t entryIndex = 0;
    SizingState sizing;
    std::int32_t nRows = 0;
    bool firstGene = false;
    bool previousEntrySkipped = false;  // the entry before was skipped for an incomplete CDS
};

}  // namespace kestrel
