// The lookup table: one entry of 11 lines for each CDS, written by kestrel-lookup and read
// by the analysis. Each line is a key and, right after the key's blank, its value; the
// reader takes a value only in that column.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/text_lines.hpp"

namespace kestrel {

// The lines of an entry, in order.
enum class LookupLine : std::size_t {
    Cds,          // the coordinates: "complement(join(1..90,120..200))"
    Gene,         // name
    NListings,    // CDSs of the gene
    NAlt,         // its alternative CDSs (nListings - 1)
    File,         // sequence file
    Contig,       // ordinal of the contig's "ORIGIN" line in the file
    BeforeSpace,  // room down to the next feature below the alternative CDSs
    AfterSpace,   // room up to the next feature above them
    AltCdsFirst,  // lowest coordinate of all the gene's CDSs
    AltCdsLast,   // highest
    End,          // the entry's closing line; its text is not read
};
inline constexpr std::size_t LookupEntryLines = 11;

inline constexpr std::array<std::string_view, LookupEntryLines> LookupKeys = {
    "#CDS ", "#gene ", "#nListings ", "#nAlt ", "#file ", "#contig ",
    "#beforeSpace ", "#afterSpace ", "#altCDSFirst ", "#altCDSlast ", "//"};

constexpr std::string_view lookupKey(LookupLine line) { return LookupKeys[static_cast<std::size_t>(line)]; }

// The 1-based column of a line's value: just after its key.
constexpr std::size_t valueColumn(LookupLine line) { return lookupKey(line).size() + 1; }

// Every line that holds this text starts an entry (that is how the entries are counted).
inline constexpr std::string_view EntryMark = "#CDS";

// What the reader keeps: the first 30 characters of a gene name, 40 of a file name, and
// lines of MaxLineLength characters (an entry with a longer line is not analysed).
inline constexpr std::size_t MaxGeneNameLength = 30;
inline constexpr std::size_t MaxFileNameLength = 40;
// The exons of a CDS line that the builder writes (1000 coordinates).
inline constexpr std::size_t MaxExons = 500;

// A room of this value means there is no neighbour on that side.
inline constexpr std::int32_t UnlimitedSpace = 10000000;
// No flank is walked further than this from the alternative CDSs, whatever the room.
inline constexpr std::int64_t FlankCap = 1000;

// One entry as the builder writes it.
struct LookupEntry {
    std::string location;  // parts in ascending order
    std::string gene;
    std::int32_t nListings = 0;
    std::int32_t nAlt = 0;
    std::string file;
    std::int32_t contig = 0;
    std::int64_t beforeSpace = 0;
    std::int64_t afterSpace = 0;
    std::int32_t altCDSFirst = 0;
    std::int32_t altCDSlast = 0;
};

// Whether a value of this length still leaves its line readable whole.
constexpr bool fitsOnLine(LookupLine line, std::size_t valueLength) {
    return lookupKey(line).size() + valueLength <= MaxLineLength;
}

// The closing line of an entry read with a code other than the standard one names the
// code: "//transl_table=4". The analysis never reads that line; the workflow does.
inline constexpr std::string_view GeneticCodeEnd = "//transl_table=";

// The 11 lines of one entry, each ended by a line feed; geneticCode: the NCBI code its genes
// are read with.
std::string formatEntry(const LookupEntry& entry, std::int32_t geneticCode = 1);

}  // namespace kestrel
