// READSEQ: walks a gene through the contig window, from the lower flank to the upper
// flank, classifying every base and stepping through its codons.
#pragma once

#include "analysis/gene_counts.hpp"
#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "input/contig_window.hpp"
#include "input/gene_record.hpp"

namespace kestrel {

// How the reading of a gene went.
enum class ReadStatus {
    Read,                // walked whole, or up to the contig's "//" line past the CDS
    ReadToOverlongLine,  // walked up to a line longer than MaxLineLength, where the sequence ended, past the CDS
    ReadToCut,           // walked up to where the contig ends without its "//" line (the file cut short), past the CDS
    // The sequence ended before the last base of the CDS: the codons beyond it are missing, and the
    // gene is not counted. Its row shows the unread end as noStop (forward strand) or noStart
    // (complement strand), both when no codon was read, and no segment.
    CdsPastEnd,          // at the contig's "//" line: the CDS runs past the end of its contig
    CdsPastOverlongLine,  // at a line longer than MaxLineLength
    CdsPastCut,          // where the contig ends without its "//" line (the file cut short)
    NoCoordinates,       // no complete coordinate pair: nothing read
    FileNotOpened,       // the sequence file cannot be opened
    NotRegularFile,      // the sequence file is a FIFO, device, socket or folder
    OverlongLine,        // the contig's sequence begins with a line longer than MaxLineLength
    NotFound,            // no such contig in the file, or no sequence in it
};

// True when the gene's counts hold its whole coding sequence, which may enter the cumulative
// counts (Read, ReadToOverlongLine, ReadToCut).
constexpr bool geneWasRead(ReadStatus status) {
    return status == ReadStatus::Read || status == ReadStatus::ReadToOverlongLine || status == ReadStatus::ReadToCut;
}

// Reads the entry's gene into counts (which start fresh). forceNewFile is set for the first
// gene of the run and after an entry the driver skipped. When the sequence cannot be
// found, the next gene is positioned as in a new file.
ReadStatus readGene(ContigWindow& window, const GeneRecord& record, bool forceNewFile,
                    const RunSettings& settings, const OptimalCodonFlags& optimal, GeneCounts& counts);

}  // namespace kestrel
