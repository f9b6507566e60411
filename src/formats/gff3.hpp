// Reading GFF3 annotations with their sequences (a "##FASTA" section or a FASTA file beside
// them) as annotated records whose features read like a GenBank file's.
#pragma once

#include <cstdint>
#include <istream>

#include "formats/feature_table.hpp"

namespace kestrel {

// The CDS lines of one transcript (their Parent) make one CDS feature, its parts joined
// in coordinate order on its strand. Its codon start is the phase of its 5'-most part plus
// one; start_range, end_range or partial=true mark it partial. Its gene is the first gene
// attribute along the CDS, its transcript and the transcript's gene, else that gene's Name;
// its locus tag likewise; then its protein_id, else the transcript's ID. transl_table is
// taken the same way; pseudo=true or a pseudogene above makes it a pseudogene. Genes,
// pseudogenes and RNAs other than mRNA become features of their own, so that they bound
// their neighbours; a tRNA keeps its anticodon, product and Note attributes, as the tRNA
// census reads them in a GenBank file. Attribute values are percent-decoded.
//
// Reads gff to its end or its "##FASTA" line, then the sequences from that section, or
// from fasta when given, their bases to sink (see readFasta). Calls onRecord once per
// sequence, in FASTA order, then once per sequence id that has features but no sequence, in
// order of appearance; returns the number of records. Two sequences of one name are a
// RecordError.
std::int32_t readGff3(std::istream& gff, std::istream* fasta, const RecordHandler& onRecord,
                      SequenceSink* sink = nullptr);

}  // namespace kestrel
