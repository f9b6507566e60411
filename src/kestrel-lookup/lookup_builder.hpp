// Lookup-table entries for the CDS features of GenBank records.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/feature_table.hpp"
#include "formats/lookup_format.hpp"

namespace kestrel::lookup {

// The entry of one CDS, and what the builder knows of it besides.
struct CdsEntry : LookupEntry {
    std::int32_t first = 0;  // lowest and highest coordinate of this CDS
    std::int32_t last = 0;
    std::int32_t geneticCode = 1;  // the CDS's /transl_table (1 when absent)
};

struct BuildOptions {
    bool keepPseudo = false;  // write /pseudo and /pseudogene CDSs too
};

// The code a /transl_table reads the codons with: 11 reads them as the standard code does.
constexpr std::int32_t codonsCode(std::int32_t translTable) { return translTable == 11 ? 1 : translTable; }

// Why a CDS feature gets no entry.
enum class SkipReason {
    OtherRecord,   // the location names another record
    Order,         // order() of parts, not a spliced sequence
    BothStrands,   // parts on both strands
    NotAscending,  // parts out of order along the strand, as across the origin of a circular genome
    Unreadable,    // a location that is not made of ranges, complement() and join()
    TooLong,       // more exons or a longer location line than the analysis reads
    NoSequence,    // the record has no ORIGIN section to read the gene from
    Pseudo,        // /pseudo or /pseudogene, unless kept
    CodonStart,    // a complete CDS whose reading frame does not begin at its first base
    GeneticCode,   // a /transl_table of another code than the one kept, or of no NCBI table
};
inline constexpr std::size_t SkipReasonCount = 10;

struct SkipTally {
    std::array<std::int64_t, SkipReasonCount> counts{};
    std::map<std::int32_t, std::int64_t> geneticCodes;  // CDSs skipped for their genetic code, by table number
    // The CDSs that pass every other test, by /transl_table; and the code kept.
    std::map<std::int32_t, std::int64_t> codesMet;
    std::int32_t codeKept = 1;
    std::int64_t renamed = 0;  // entries written under a gene name made readable (not a skip)
    void add(SkipReason reason) { ++counts[static_cast<std::size_t>(reason)]; }
    std::int64_t operator[](SkipReason reason) const { return counts[static_cast<std::size_t>(reason)]; }
    std::int64_t total() const;
};

// Entries of one record, ordered by lowest coordinate, ties in feature order.
std::vector<CdsEntry> buildRecordEntries(const AnnotatedRecord& record, const std::string& fileName,
                                            SkipTally& skipped, const BuildOptions& options = {});

struct TrnaTally;

// Appends the entries of every record of a file, and counts its tRNA genes into trnas when
// given; returns the number of records read.
std::int32_t buildFileEntries(std::istream& in, const std::string& fileName, std::vector<CdsEntry>& entries,
                              SkipTally& skipped, const BuildOptions& options = {}, TrnaTally* trnas = nullptr);

// Keeps the entries of one code (wanted, or when 0 the most common code of the entries, the
// lower number on a tie; 11 counts as 1) and skips the others; returns the code kept.
std::int32_t keepOneGeneticCode(std::vector<CdsEntry>& entries, std::int32_t wanted, SkipTally& skipped);

// A gene name as the analysis will read it back whole: '#' (a line holding "#CDS" starts an
// entry), blanks and control characters (the output separates cells by blanks) become '_', and
// a name is cut to what the reader keeps.
std::string readableGeneName(const std::string& name);

// Why the analysis could not open a sequence file under this name from a lookup table, if so.
std::optional<std::string> fileNameProblem(const std::string& file);

std::string summaryLine(std::size_t entriesWritten, const SkipTally& skipped);

}  // namespace kestrel::lookup
