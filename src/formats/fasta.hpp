// Reading FASTA files: sequences of any length on lines of any length, each after a '>'
// header line; and FASTA files of coding sequences as annotated records.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "formats/feature_table.hpp"

namespace kestrel {

struct FastaRecord {
    std::string header;       // the header line without its '>', at most MaxHeldText characters of it
    std::int64_t length = 0;  // its bases (see sequenceLetter)
};

struct FastaSummary {
    std::int32_t records = 0;
    std::int64_t strayLines = 0;  // lines with letters before the first header, which belong to no record
};

// Calls onRecord for every record, in file order, after its bases went to sink (begun with the
// header's first word; none when sink is null). Lines beginning with ';' are comments. A gap or
// unknown sign stands for a base (see sequenceLetter), but the '*' signs that end a record
// (a terminator) are dropped. Memory grows neither with a record nor with a line. Lines may end
// with LF, CR LF or a CR alone; a UTF-8 byte-order mark is passed over.
FastaSummary readFasta(std::istream& in, const std::function<void(FastaRecord&)>& onRecord, SequenceSink* sink);

// The first word of a header: its sequence id.
std::string fastaId(const std::string& header);

// A FASTA file of coding sequences, each record one gene: a record with one CDS feature over
// the whole sequence, and nothing around it (codingOnly), and its header kept. The gene is
// named as a GenBank CDS is, from the [gene=...], [locus_tag=...] or [protein_id=...] tag of
// the header (NCBI's coding-sequence files have them), else by the header's first word; its
// [protein=...] tag is the CDS's /product. The tags [pseudo=true],
// [transl_table=N], [frame=N] (the codon start) and [partial=5'], [partial=3'],
// [partial=5',3'] count as the qualifiers of a GenBank CDS do.
FastaSummary readCdsFasta(std::istream& in, const RecordHandler& onRecord, SequenceSink* sink = nullptr);

}  // namespace kestrel
