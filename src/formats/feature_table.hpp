// Reading the feature tables of GenBank flat files and the locations of their features.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace kestrel {

struct Feature {
    std::string key;       // CDS, gene, tRNA, ...
    std::string location;  // location text with continuation lines joined and every blank removed
    std::string gene;      // qualifier values, empty when absent
    std::string locusTag;
    std::string proteinId;
    std::string oldLocusTag;
    std::string product;
    std::string organelle;  // of a source feature: the record is an organelle's genome
    bool pseudo = false;           // /pseudo or /pseudogene
    std::int32_t codonStart = 1;   // /codon_start; 0 when not a number
    std::int32_t geneticCode = 1;  // /transl_table; the standard code, 1, when absent; 0 when not a number
    bool tooLong = false;  // a line of it, or its location, is longer than the reader holds
};

struct GenBankRecord {
    std::int32_t ordinal = 0;  // 1 for the first record of the file
    std::int32_t contig = 0;   // ordinal of its "ORIGIN" line among the file's lines holding "ORIGIN"; 0 = no sequence
    std::string name;  // the LOCUS line's name
    std::vector<Feature> features;
    std::string sequence;  // the letters of the sequence section, when the reader keeps them
};

// Calls onRecord for every record of the stream, in file order; returns the number of records.
// Lines may end with LF, CR LF or a CR alone; a UTF-8 byte-order mark before the first line is
// passed over. With keepSequence each record carries its sequence.
std::int32_t readGenBankRecords(std::istream& in, const std::function<void(const GenBankRecord&)>& onRecord,
                                bool keepSequence = false);

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
