// What one run owns: the settings, the reference tables, the cumulative counts, the
// stored sequence with the window over it, and the files. Each step is handed the parts
// it needs.
#pragma once

#include <cstdint>

#include "analysis/cumulative_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "formats/regular_file.hpp"
#include "input/contig_window.hpp"
#include "input/stored_sequence.hpp"
#include "output/output_file.hpp"

namespace kestrel {

struct RunContext {
    RunSettings settings;
    ReferenceTables references;
    CumulativeCounts cumulative;

    StoredSequence storedSequence;
    ContigWindow window{storedSequence};
    InputFile lookupStream;
    OutputFile output;

    std::int32_t nEntries = 0;

    void closeFiles() {
        lookupStream.close();
        output.close();
        window.close();
    }
};

}  // namespace kestrel
