// READSEQ: brings a gene's stretch of its contig into the stored sequence and walks it
// from the lower flank to the upper flank, classifying every base.
#pragma once

#include <fstream>
#include <string>

#include "analysis/cumulative_counts.hpp"
#include "analysis/gene_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "control/run_settings.hpp"
#include "input/gene_record.hpp"
#include "input/stored_sequence.hpp"

namespace kestrel {

class Console;

// Reader state kept from gene to gene: the open sequence file and the window over it.
class SequenceReader {
public:
    explicit SequenceReader(StoredSequence& store) : store_(store) {}
    void close() {
        if (stream_.is_open()) stream_.close();
    }

    StoredSequence& store_;
    std::ifstream stream_;
};

// Reads and walks the current entry's gene, filling counts, then runs the end-of-gene
// step that includes the gene in, or excludes it from, cumulative. forceNewFile is set
// for the first gene of the run and after an entry the driver skipped. Returns false
// (after writing "\a\n Sequence of <gene> not found in <file>") when nothing could be read.
bool readSequence(SequenceReader& reader, const GeneRecord& record, bool forceNewFile,
                  const RunSettings& settings, const OptimalCodonFlags& optimal,
                  GeneCounts& counts, CumulativeCounts& cumulative, Console& console);

}  // namespace kestrel
