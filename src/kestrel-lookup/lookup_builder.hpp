// Lookup-table entries for the CDS features of GenBank records.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "kestrel-lookup/genbank_features.hpp"

namespace kestrel::lookup {

struct LookupEntry {
    std::string location;  // written after "#CDS ": parts in ascending order
    std::string gene;
    std::int32_t nListings = 0;
    std::int32_t nAlt = 0;
    std::string file;
    std::int32_t contig = 0;
    std::int64_t beforeSpace = 0;
    std::int64_t afterSpace = 0;
    std::int32_t altCDSFirst = 0;
    std::int32_t altCDSlast = 0;
    std::int32_t first = 0;  // lowest and highest coordinate of this CDS
    std::int32_t last = 0;
};

// Why a CDS feature gets no entry.
enum class SkipReason {
    OtherRecord,   // the location names another record
    Order,         // order() of parts, not a spliced sequence
    BothStrands,   // parts on both strands
    NotAscending,  // parts out of order along the strand, as across the origin of a circular genome
    Unreadable,    // a location that is not made of ranges, complement() and join()
    TooLong,       // more exons or a longer location line than the analysis reads
    NoSequence,    // the record has no ORIGIN section to read the gene from
};
inline constexpr std::size_t SkipReasonCount = 7;

struct SkipTally {
    std::array<std::int64_t, SkipReasonCount> counts{};
    void add(SkipReason reason) { ++counts[static_cast<std::size_t>(reason)]; }
    std::int64_t operator[](SkipReason reason) const { return counts[static_cast<std::size_t>(reason)]; }
    std::int64_t total() const;
};

// Entries of one record, ordered by lowest coordinate, ties in feature order.
std::vector<LookupEntry> buildRecordEntries(const GenBankRecord& record, const std::string& fileName,
                                            SkipTally& skipped);

// Appends the entries of every record of a file; returns the number of records read.
std::int32_t buildFileEntries(std::istream& in, const std::string& fileName, std::vector<LookupEntry>& entries,
                              SkipTally& skipped);

// The 11 lines of one entry, each ended by a line feed.
std::string formatEntry(const LookupEntry& entry);

std::string summaryLine(std::size_t entriesWritten, const SkipTally& skipped);

}  // namespace kestrel::lookup
