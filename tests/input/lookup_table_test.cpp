#include "input/lookup_table.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

// An 11-line entry; the line numbered `line` (0 is the CDS line) is replaced by text.
std::string entry(int line, const std::string& text) {
    std::string lines[] = {"#CDS 1..9", "#gene g1", "#nListings 2", "#nAlt 3", "#file seq.gb",
                           "#contig 4", "#beforeSpace 5", "#afterSpace 6", "#altCDSFirst 7",
                           "#altCDSlast 8", "//"};
    lines[line] = text;
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

GeneRecord readOne(int line, const std::string& text) {
    std::istringstream in(entry(line, text));
    GeneRecord record;
    readLookupEntry(in, 0, record);
    return record;
}

// Coordinates, complement strand, incomplete 5' and 3' ends, complete coordinate pairs.
using Cds = std::tuple<std::vector<std::int32_t>, int, int, int, std::int32_t>;

Cds cdsOf(const std::string& cdsLine) {
    const GeneRecord r = readOne(0, cdsLine);
    return {r.cds, r.complement, r.incomplete5, r.incomplete3, r.nExons};
}

TEST(LookupEntry, CdsLine) {
    EXPECT_EQ(cdsOf("#CDS join(1..100,200..300)"), Cds({1, 100, 200, 300}, 0, 0, 0, 2));
    EXPECT_EQ(cdsOf("#CDS complement(<1..100)"), Cds({1, 100}, 1, 1, 0, 1));
    EXPECT_EQ(cdsOf("#CDS 1..100,150"), Cds({1, 100, 150}, 0, 0, 0, 1));  // a lone last coordinate
    EXPECT_EQ(cdsOf("#CDS Complement(1..90)"), Cds({1, 90}, 0, 0, 0, 1));
    // "complement" counts anywhere on the line; '<', '>' and digits only from column 6 on.
    EXPECT_EQ(cdsOf("complement #CDS 1..90"), Cds({1, 90}, 1, 0, 0, 1));
    EXPECT_EQ(cdsOf("#CD<>1..90>"), Cds({1, 90}, 0, 0, 1, 1));
    EXPECT_EQ(cdsOf("#C12 5..9"), Cds({5, 9}, 0, 0, 0, 1));

    std::string many = "#CDS join(";
    for (int k = 0; k < 700; ++k)
        many += std::to_string(10 * k + 1) + ".." + std::to_string(10 * k + 5) + ",";
    const GeneRecord r = readOne(0, many + "99999999999999..3)");
    EXPECT_EQ(r.nExons, 701);
    EXPECT_EQ(r.cds[1400], 2147483647);  // saturates at the 32-bit limit
}

TEST(LookupEntry, NumbersAndTextInTheirValueColumns) {
    const GeneRecord r = readOne(0, "#CDS 1..9");
    EXPECT_EQ(std::tie(r.gene, r.nListings, r.nAlt, r.file, r.contig, r.beforeSpace, r.afterSpace,
                       r.altCDSFirst, r.altCDSlast),
              std::tuple("g1", 2, 3, "seq.gb", 4, 5, 6, 7, 8));
    EXPECT_EQ(readOne(5, "#contig  2").contig, 0);  // column 9 holds a blank
    EXPECT_EQ(readOne(5, "#contig 4294967297").contig, 2147483647);
    EXPECT_EQ(readOne(3, "#nAlt 3x").nAlt, 3);
    EXPECT_EQ(readOne(6, "#beforeSpace -20").beforeSpace, -20);
    EXPECT_EQ(readOne(6, "#beforeSpace 12-3").beforeSpace, 12);
    EXPECT_EQ(readOne(6, "#beforeSpace --4").beforeSpace, 0);
    EXPECT_EQ(readOne(6, "#beforeSpace -99999999999").beforeSpace, -2147483647 - 1);

    EXPECT_EQ(readOne(1, "#gene " + std::string(35, 'n')).gene, std::string(30, 'n'));
    EXPECT_EQ(readOne(4, "#file " + std::string(45, 'f')).file, std::string(40, 'f'));
    EXPECT_EQ(readOne(1, "#gene  two").gene, " two");
    EXPECT_EQ(readOne(1, "#gene").gene, "");
    EXPECT_EQ(readOne(1, "#gene a\r").gene, "a");
}

// A line past 9999 characters is read only so far, and the entry is marked for it,
// whichever of its lines it is; the next entry is read from its own first line.
TEST(LookupEntry, AnOverlongLineMarksTheEntry) {
    for (const int line : {0, 4, 10}) {
        std::istringstream in(entry(line, "#file " + std::string(20000, 'f')) + entry(0, "#CDS 1..9"));
        GeneRecord record;
        readLookupEntry(in, 0, record);
        EXPECT_EQ(record.overlongLine, 1) << line;
        readLookupEntry(in, 1, record);
        EXPECT_EQ(std::tie(record.overlongLine, record.gene, record.file), std::tuple(0, "g1", "seq.gb")) << line;
    }
    EXPECT_EQ(readOne(1, "#gene " + std::string(9993, 'g')).overlongLine, 0);  // 9999 characters
}

TEST(LookupEntry, PreviousEntryAndMissingLinesAtEndOfFile) {
    std::istringstream in(entry(5, "#contig 3") + "#CDS 5..7\n#gene b\n");
    GeneRecord r;
    r.prevFile = "old.gb";
    r.prevContig = 9;
    readLookupEntry(in, 0, r);  // the first entry has no previous one
    EXPECT_EQ(std::tie(r.prevFile, r.prevContig), std::tuple("", 0));
    readLookupEntry(in, 1, r);
    EXPECT_EQ(std::tie(r.prevFile, r.prevContig), std::tuple("seq.gb", 3));
    EXPECT_EQ(std::tie(r.gene, r.file, r.contig, r.altCDSlast), std::tuple("b", "", 0, 0));
    readLookupEntry(in, 2, r);  // past the end: everything empty
    EXPECT_TRUE(r.cds.empty());
    EXPECT_EQ(r.gene, "");
}

TEST(LookupTable, CountsCdsLinesIncludingAnUnterminatedLastLine) {
    const std::string name = scratchPath("count_lookup").string();
    std::ofstream(name, std::ios::binary) << "#CDS 1..3\nxx #CDS\n#cds 4..5\n\n#CDS 7..9";
    std::int32_t n = -1;
    ASSERT_EQ(countLookupEntries(name, n), OpenStatus::Opened);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(countLookupEntries(name + ".missing", n), OpenStatus::CannotOpen);
    std::filesystem::remove(name);
}

TEST(Sizing, SpanOfConsecutiveGenesOfOneContig) {
    SizingState sizing;
    GeneRecord r;
    r.file = "a.gb";
    r.contig = 1;
    auto step = [&](const std::string& prevFile, std::int32_t prevContig, std::int32_t first,
                    std::int32_t last) {
        r.prevFile = prevFile;
        r.prevContig = prevContig;
        r.altCDSFirst = first;
        r.altCDSlast = last;
        applySizingStep(r, sizing);
        return std::pair(sizing.maxSpan, sizing.furthestEnd);
    };
    EXPECT_EQ(step("", 0, 1000, 5000), std::pair(0, 6000));  // the first entry
    EXPECT_EQ(step("a.gb", 1, 3000, 4000), std::pair(4000, 6000));
    EXPECT_EQ(step("a.gb", 1, 500, 4000), std::pair(6000, 6000));  // low is 0, not negative
    // The same contig number in another file, or another contig, starts afresh.
    EXPECT_EQ(step("b.gb", 1, 3000, 4000), std::pair(6000, 5000));
    EXPECT_EQ(step("a.gb", 2, 500, 100), std::pair(6000, 1100));

    EXPECT_EQ(rowsForSpan(0), 23);
    EXPECT_EQ(rowsForSpan(-5), 23);
    EXPECT_EQ(rowsForSpan(2049), 63);
    EXPECT_EQ(rowsForSpan(2050), 64);
    EXPECT_EQ(rowsForSpan(2147483647), MaxWindowRows);
}

}  // namespace
}  // namespace kestrel
