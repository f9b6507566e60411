// Reading the feature tables of GenBank and EMBL flat files and the locations of their
// features. The two formats differ only in their line prefixes; the record they give is the
// one the GFF3 and FASTA readers give too.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct Feature {
    std::string key;       // CDS, gene, tRNA, ...
    std::string location;  // location text with continuation lines joined and every blank removed
    std::string gene;      // qualifier values, empty when absent
    std::string locusTag;
    std::string proteinId;
    std::string oldLocusTag;
    std::string product;    // of any feature (a CDS's protein, a tRNA's "tRNA-Leu")
    std::string organelle;  // of a source feature: the record is an organelle's genome
    bool pseudo = false;           // /pseudo or /pseudogene
    std::int32_t codonStart = 1;   // /codon_start; 0 when not a number
    std::int32_t geneticCode = 1;  // /transl_table; the standard code, 1, when absent; 0 when not a number
    bool tooLong = false;  // a line of it, or its location, is longer than the reader holds
    // Of tRNA features only: /anticodon, and the /note values joined by "; ".
    std::string anticodon;
    std::string note;
};

// What a qualifier (or a GFF3 attribute, or a tag of a FASTA header) of this name sets in a
// feature: /pseudo, /pseudogene, /codon_start, /transl_table, and the first /gene,
// /locus_tag, /protein_id, /old_locus_tag, /product and /organelle. Other names set nothing.
void setQualifier(Feature& feature, std::string_view name, const std::string& value);

// One sequence of an annotated file with its features.
struct AnnotatedRecord {
    std::int32_t ordinal = 0;  // 1 for the first record of the file
    std::string name;          // the LOCUS or ID line's name, the FASTA or GFF3 sequence id
    // Where the analysis finds the sequence: in a GenBank file, the ordinal of its "ORIGIN"
    // line among the file's lines holding "ORIGIN"; 0 = nowhere (the reader of another format
    // leaves it to whoever writes the sequence where the analysis reads it).
    std::int32_t contig = 0;
    bool hasSequence = false;  // a sequence section, or letters for a FASTA record
    bool codingOnly = false;   // the sequence is one coding sequence without flanks (a CDS FASTA record)
    std::vector<Feature> features;
    std::string sequence;  // the letters of the sequence, as in the file, when the reader keeps them
    std::string header;    // a FASTA record's header line without its '>' (coding-sequence FASTA only)
};

// Called once per record, in file order; it may take the record's contents.
using RecordHandler = std::function<void(AnnotatedRecord&)>;

enum class FeatureTableDialect {
    GenBank,  // LOCUS, FEATURES, ORIGIN, //
    Embl,     // ID, FT, SQ, //
};

// Calls onRecord for every record of the stream, in file order; returns the number of records.
// With keepSequence each record carries its sequence (memory grows with the record, not with
// a line). Lines may end with LF, CR LF or a CR alone; a UTF-8 byte-order mark before the first
// line is passed over.
std::int32_t readFeatureTable(std::istream& in, FeatureTableDialect dialect, const RecordHandler& onRecord,
                              bool keepSequence = false);

// Appends the letters of text to sequence (position numbers, blanks and other signs dropped).
void appendLetters(std::string& sequence, std::string_view text);

// One interval of a location; mark characters are the '<' or '>' written before each bound (0 if none).
struct LocationPart {
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool minus = false;
    char firstMark = 0;
    char lastMark = 0;
};

enum class LocationKind { Simple, OtherRecord, Order, Unreadable };

struct Location {
    LocationKind kind = LocationKind::Unreadable;
    std::vector<LocationPart> parts;  // in the order the feature's sequence is read (5' to 3')
};

Location parseLocation(const std::string& text);

}  // namespace kestrel
