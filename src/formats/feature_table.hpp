// Reading the feature tables of GenBank and EMBL flat files and the locations of their
// features. The two formats differ only in their line prefixes; the record they give is the
// one the GFF3 and FASTA readers give too.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <stdexcept>
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
    std::int64_t length = 0;   // the bases of its sequence (see sequenceLetter)
    std::vector<Feature> features;
    std::string header;  // a FASTA record's header line without its '>' (coding-sequence FASTA only)
    // The source organism of a GenBank or EMBL record (ORGANISM, OS) and its taxonomy (the
    // lines after ORGANISM, OC: "Bacteria; Pseudomonadota; ..."), when the record gives them.
    std::string organism;
    std::string lineage;
};

// Called once per record, in file order; it may take the record's contents.
using RecordHandler = std::function<void(AnnotatedRecord&)>;

// Where a reader puts the bases of each record's sequence as it reads them, so that no record is
// ever held whole: begin when its sequence starts (at GenBank's "ORIGIN", at a FASTA header),
// append with each piece of bases (see sequenceLetter), end before the record is handed on.
class SequenceSink {
public:
    virtual ~SequenceSink() = default;
    virtual void begin(const std::string& recordName) = 0;
    virtual void append(std::string_view bases) = 0;
    virtual void end() = 0;
};

// A sink that keeps the bases of the current record (memory grows with the record).
class SequenceKeeper : public SequenceSink {
public:
    void begin(const std::string&) override { bases.clear(); }
    void append(std::string_view more) override { bases += more; }
    void end() override {}
    std::string bases;
};

// Thrown by the readers for a file they refuse: a record cut before its end, a sequence
// named twice. The message names the record, not the file.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class FeatureTableDialect {
    GenBank,  // LOCUS, FEATURES, ORIGIN, //
    Embl,     // ID, FT, SQ, //
};

// Calls onRecord for every record of the stream, in file order; returns the number of records.
// The bases of each sequence go to sink when given, and are counted into the record's length
// (memory grows neither with a record nor with a line). A record must end with its "//" line:
// one that the end of the file or the next record's first line cuts short is a RecordError.
// Lines may end with LF, CR LF or a CR alone; a UTF-8 byte-order mark before the first line is
// passed over.
std::int32_t readFeatureTable(std::istream& in, FeatureTableDialect dialect, const RecordHandler& onRecord,
                              SequenceSink* sink = nullptr);

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
