// Telling the formats of annotated sequence files apart by their first line.
#pragma once

#include <istream>
#include <string>

namespace kestrel {

enum class RecordFormat { GenBank, Embl, Gff3, Fasta, Unknown };

// The format of the stream from its first line that is not blank (a UTF-8 byte-order mark
// passed over): "LOCUS" begins GenBank, "ID   " EMBL, "##gff-version" GFF3 and '>' FASTA.
// Reads ahead at most 64 KiB and goes back to where it began; a stream that cannot go back
// is Unknown.
RecordFormat sniffRecordFormat(std::istream& in);

// What an annotated sequence file is, for a message about a file given where another was
// wanted: "a GenBank file", "a gzip-compressed EMBL file", "a gzip-compressed file"...; empty
// when the file is none of GenBank, EMBL, GFF3, FASTA or gzip, or cannot be read.
std::string annotatedFileKind(const std::string& path);

}  // namespace kestrel
