// The lookup table: counting its entries and reading one 11-line entry at a time.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "input/gene_record.hpp"
#include "formats/regular_file.hpp"

namespace kestrel {

// How far back the stored sequence must reach, measured during the sizing pass.
struct SizingState {
    std::int32_t maxSpan = 0;
    std::int32_t furthestEnd = 0;
};

// Number of lines holding "#CDS"; the status tells whether the file opened.
OpenStatus countLookupEntries(const std::string& fileName, std::int32_t& nEntries);

// Reads the next entry into record (entryIndex 0 means there is no previous entry).
void readLookupEntry(std::istream& lookup, std::int32_t entryIndex, GeneRecord& record);

// The sizing pass: measures, entry after entry, how far back the stored sequence must
// reach for genes of one contig read in turn.
void applySizingStep(const GeneRecord& record, SizingState& sizing);

// The window never grows beyond this many rows (about 10 Mb of sequence); a gene that
// needs a position before the window's first row is read by entering its contig afresh.
inline constexpr std::int64_t MaxWindowRows = 100000;

// Rows of the stored sequence for a measured span: (maxSpan + 1000) / 50 + 3, at most
// MaxWindowRows.
std::int32_t rowsForSpan(std::int32_t maxSpan);

}  // namespace kestrel
