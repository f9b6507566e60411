#include "input/lookup_table.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

// An 11-line entry whose lines are given one by one; missing lines stay empty.
std::string entry(const std::string& cds, const std::string& gene = "#gene g1",
                  const std::string& contig = "#contig 1", const std::string& before = "#beforeSpace 0",
                  const std::string& after = "#afterSpace 0", const std::string& alt = "#nAlt 0",
                  const std::string& file = "#file seq.gb", const std::string& altFirst = "#altCDSFirst 0",
                  const std::string& altLast = "#altCDSlast 0") {
    return cds + "\n" + gene + "\n#nListings 1\n" + alt + "\n" + file + "\n" + contig + "\n" +
           before + "\n" + after + "\n" + altFirst + "\n" + altLast + "\n//\n";
}

GeneRecord readOne(const std::string& text) {
    std::istringstream in(text);
    GeneRecord record;
    readLookupEntry(in, 0, record, nullptr);
    return record;
}

TEST(LookupEntry, CdsLineCoordinatesStrandAndIncompleteEnds) {
    GeneRecord r = readOne(entry("#CDS join(1..100,200..300)"));
    EXPECT_EQ(r.cds, (std::vector<std::int32_t>{1, 100, 200, 300}));
    EXPECT_EQ(r.nExons, 2);
    EXPECT_EQ(r.complement, 0);

    r = readOne(entry("#CDS complement(<1..100)"));
    EXPECT_EQ(r.complement, 1);
    EXPECT_EQ(r.incomplete5, 1);
    EXPECT_EQ(r.incomplete3, 0);
    EXPECT_EQ(r.nExons, 1);

    r = readOne(entry("#CDS 1..100,150"));
    EXPECT_EQ(r.nExons, 1);
    EXPECT_EQ(r.cds.size(), 3u);

    EXPECT_EQ(readOne(entry("#CDS Complement(1..90)")).complement, 0);
    // "complement" counts anywhere on the line, '<' and '>' only from column 6 on.
    EXPECT_EQ(readOne(entry("complement #CDS 1..90")).complement, 1);
    r = readOne(entry("#CD<>1..90>"));
    EXPECT_EQ(r.incomplete5, 0);
    EXPECT_EQ(r.incomplete3, 1);
    // Digits before column 6 are not coordinates.
    EXPECT_EQ(readOne(entry("#C12 5..9")).cds, (std::vector<std::int32_t>{5, 9}));
}

TEST(LookupEntry, ManyExonsAndHugeCoordinatesAreKeptSafely) {
    std::string cds = "#CDS join(";
    for (int k = 0; k < 700; ++k) cds += std::to_string(10 * k + 1) + ".." + std::to_string(10 * k + 5) + ",";
    cds += "99999999999999..3)";
    GeneRecord r = readOne(entry(cds));
    EXPECT_EQ(r.nExons, 701);  // the last pair is the saturated one
    EXPECT_EQ(r.cds[1399], 6995);
    EXPECT_EQ(r.cds[1400], 2147483647);  // saturates at the 32-bit limit
}

TEST(LookupEntry, NumberFormsAndValueColumns) {
    GeneRecord r = readOne(entry("#CDS 1..9", "#gene g1", "#contig  2", "#beforeSpace -20",
                                 "#afterSpace 10000000", "#nAlt 3x"));
    EXPECT_EQ(r.contig, 0);  // two blanks: column 9 holds a blank
    EXPECT_EQ(r.beforeSpace, -20);
    EXPECT_EQ(r.afterSpace, UnlimitedSpace);
    EXPECT_EQ(r.nAlt, 3);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene g", "#contig 1", "#beforeSpace 12-3")).beforeSpace, 12);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene g", "#contig 1", "#beforeSpace -")).beforeSpace, 0);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene g", "#contig 1", "#beforeSpace --4")).beforeSpace, 0);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene g", "#contig 1", "#beforeSpace -99999999999")).beforeSpace,
              -2147483647 - 1);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene g", "#contig 1", "#beforeSpace 0", "#afterSpace 0", "#nAlt x3")).nAlt, 0);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene g", "#contig 4294967297")).contig, 2147483647);
}

TEST(LookupEntry, TextCutsBlanksAndCarriageReturns) {
    const std::string longName(35, 'n');
    const std::string longFile(45, 'f');
    GeneRecord r = readOne(entry("#CDS 1..9\r", "#gene " + longName, "#contig 7\r", "#beforeSpace 0",
                                 "#afterSpace 0", "#nAlt 0", "#file " + longFile + "\r"));
    EXPECT_EQ(r.gene, std::string(30, 'n'));
    EXPECT_EQ(r.file, std::string(40, 'f'));
    EXPECT_EQ(r.contig, 7);
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene  two")).gene, " two");
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene")).gene, "");
    EXPECT_EQ(readOne(entry("#CDS 1..9", "#gene a\r")).gene, "a");
}

TEST(LookupEntry, PreviousEntryAndMissingLinesAtEndOfFile) {
    std::istringstream in(entry("#CDS 1..9", "#gene a", "#contig 3") + "#CDS 5..7\n#gene b\n");
    GeneRecord r;
    readLookupEntry(in, 0, r, nullptr);
    EXPECT_EQ(r.prevFile, "");
    EXPECT_EQ(r.prevContig, 0);
    readLookupEntry(in, 1, r, nullptr);
    EXPECT_EQ(r.prevFile, "seq.gb");
    EXPECT_EQ(r.prevContig, 3);
    EXPECT_EQ(r.gene, "b");
    EXPECT_EQ(r.file, "");
    EXPECT_EQ(r.contig, 0);
    EXPECT_EQ(r.altCDSlast, 0);
    readLookupEntry(in, 2, r, nullptr);  // past the end: everything empty
    EXPECT_TRUE(r.cds.empty());
    EXPECT_EQ(r.gene, "");
}

TEST(LookupTable, CountsCdsLinesIncludingAnUnterminatedLastLine) {
    const std::string name = scratchPath("count_lookup").string();
    {
        std::ofstream out(name, std::ios::binary);
        out << "#CDS 1..3\nxx #CDS\n#cds 4..5\n\n#CDS 7..9";
    }
    std::int32_t n = -1;
    ASSERT_TRUE(countLookupEntries(name, n));
    EXPECT_EQ(n, 3);
    EXPECT_FALSE(countLookupEntries(name + ".missing", n));
    std::filesystem::remove(name);
}

TEST(Sizing, SpanOfConsecutiveGenesOfOneContig) {
    SizingState sizing;
    GeneRecord r;
    r.file = "a.gb";
    r.contig = 1;
    r.altCDSFirst = 1000;
    r.altCDSlast = 5000;
    applySizingStep(r, sizing);  // first entry: compared with an empty previous entry
    EXPECT_EQ(sizing.furthestEnd, 6000);
    EXPECT_EQ(sizing.maxSpan, 0);
    r.prevFile = "a.gb";
    r.prevContig = 1;
    r.altCDSFirst = 3000;
    r.altCDSlast = 4000;
    applySizingStep(r, sizing);
    EXPECT_EQ(sizing.maxSpan, 4000);
    EXPECT_EQ(sizing.furthestEnd, 6000);
    EXPECT_EQ(rowsForSpan(sizing.maxSpan), 103);

    r.altCDSFirst = 500;  // low is 0, not negative
    applySizingStep(r, sizing);
    EXPECT_EQ(sizing.maxSpan, 6000);

    r.prevContig = 2;  // another contig starts afresh
    r.altCDSlast = 100;
    applySizingStep(r, sizing);
    EXPECT_EQ(sizing.furthestEnd, 1100);
    EXPECT_EQ(sizing.maxSpan, 6000);
}

TEST(Sizing, RowsForSpan) {
    EXPECT_EQ(rowsForSpan(0), 23);
    EXPECT_EQ(rowsForSpan(2000), 63);
    EXPECT_EQ(rowsForSpan(2049), 63);
    EXPECT_EQ(rowsForSpan(2050), 64);
    EXPECT_EQ(rowsForSpan(2147483647), MaxWindowRows);
    EXPECT_EQ(rowsForSpan(-5), 23);
}

}  // namespace
}  // namespace kestrel
