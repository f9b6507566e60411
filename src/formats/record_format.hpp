// Telling the formats of annotated sequence files apart by their first line.
#pragma once

#include <istream>

namespace kestrel {

enum class RecordFormat { GenBank, Embl, Gff3, Fasta, Unknown };

// The format of the stream from its first line that is not blank (a UTF-8 byte-order mark
// passed over): "LOCUS" begins GenBank, "ID   " EMBL, "##gff-version" GFF3 and '>' FASTA.
// Reads ahead at most 64 KiB and goes back to where it began; a stream that cannot go back
// is Unknown.
RecordFormat sniffRecordFormat(std::istream& in);

}  // namespace kestrel
