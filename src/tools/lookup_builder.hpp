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
#include "tools/cds_selection.hpp"

namespace kestrel::lookup {

// The entry of one CDS, and what the builder knows of it besides.
struct CdsEntry : LookupEntry {
    std::int32_t first = 0;  // lowest and highest coordinate of this CDS
    std::int32_t last = 0;
    std::int32_t geneticCode = 1;  // the CDS's /transl_table (1 when absent)
};

struct BuildOptions {
    bool keepPseudo = false;  // write /pseudo and /pseudogene CDSs too
    // Write the sequences of every input to the sequence file, an uncompressed GenBank file's
    // too, so that the table names only that file.
    bool copySequences = false;
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
