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
    std::string header;    // the header line without its '>', at most MaxHeldText characters of it
    std::string sequence;  // its letters, as in the file (digits, blanks, gaps and other signs dropped)
};

struct FastaSummary {
    std::int32_t records = 0;
    std::int64_t strayLines = 0;  // lines with letters before the first header, which belong to no record
};

// Calls onRecord for every record, in file order; it may take the record's contents. Lines
// beginning with ';' are comments. Memory grows with a record, never with a line. Lines may
// end with LF, CR LF or a CR alone; a UTF-8 byte-order mark is passed over.
FastaSummary readFasta(std::istream& in, const std::function<void(FastaRecord&)>& onRecord);

// The first word of a header: its sequence id.
std::string fastaId(const std::string& header);

// A FASTA file of coding sequences, each record one gene: a record with one CDS feature over
// the whole sequence, and nothing around it (codingOnly), and its header kept. The gene is
// named as a GenBank CDS is, from the [gene=...], [locus_tag=...] or [protein_id=...] tag of
// the header (NCBI's coding-sequence files have them), else by the header's first word; its
// [protein=...] tag is the CDS's /product. The tags [pseudo=true],
// [transl_table=N], [frame=N] (the codon start) and [partial=5'], [partial=3'],
// [partial=5',3'] count as the qualifiers of a GenBank CDS do.
FastaSummary readCdsFasta(std::istream& in, const RecordHandler& onRecord);

}  // namespace kestrel
