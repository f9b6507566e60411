#include "input/lookup_table.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "test_support.hpp"

namespace kestrel {
namespace {

// An 11-line entry; the line numbered `line` (0 is the CDS line) is replaced by text.
std::string entry(int line, const std::string& text) {
    std::string lines[] = {"#CDS 1..9",     "#gene g1",       "#nListings 2",  "#nAlt 3",       "#file seq.gb", "#contig 4",
                           "#beforeSpace 5", "#afterSpace 6", "#altCDSFirst 7", "#altCDSlast 8", "//"};
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

TEST(LookupEntry, TheBuildersEntryReadsBack) {
    LookupEntry written{"complement(join(<1..100,200..300))", "dnaA", 2, 1, "seq.gb", 3, -15, 10000000, 1, 400};
    const std::string text = formatEntry(written);
    EXPECT_EQ(text, "#CDS complement(join(<1..100,200..300))\n#gene dnaA\n#nListings 2\n#nAlt 1\n#file seq.gb\n"
                    "#contig 3\n#beforeSpace -15\n#afterSpace 10000000\n#altCDSFirst 1\n#altCDSlast 400\n//\n");
    std::istringstream in(text);
    GeneRecord r;
    readLookupEntry(in, 0, r);
    EXPECT_EQ(std::tie(r.cds, r.nExons, r.complement, r.incomplete5, r.incomplete3),
              std::tuple(std::vector<std::int32_t>{1, 100, 200, 300}, 2, true, true, false));
    EXPECT_EQ(std::tie(r.gene, r.nListings, r.nAlt, r.file, r.contig, r.beforeSpace, r.afterSpace, r.altCDSFirst,
                       r.altCDSlast),
              std::tuple("dnaA", 2, 1, "seq.gb", 3, -15, UnlimitedSpace, 1, 400));
}

// What a check report shows (first coordinate, '<' and '>', contigs, cut names): see tests/e2e/check_entry_values.
TEST(LookupEntry, ValuesNoReportShows) {
    std::string many = "#CDS join(";
    for (int k = 0; k < 700; ++k) many += std::to_string(10 * k + 1) + ".." + std::to_string(10 * k + 5) + ",";
    const GeneRecord r = readOne(0, many + "99999999999999..3)");
    EXPECT_EQ(std::tuple(r.nExons, r.cds[1400], r.cds[1401]), std::tuple(701, 2147483647, 3));  // saturated
    EXPECT_TRUE(readOne(0, "complement #CDS 1..90").complement);  // "complement" counts anywhere on the line
    EXPECT_FALSE(readOne(0, "#CDS Complement(1..90)").complement);
    const std::pair<std::int32_t, std::int32_t> numbers[] = {
        {readOne(6, "#beforeSpace 12-3").beforeSpace, 12},
        {readOne(6, "#beforeSpace --4").beforeSpace, 0},
        {readOne(6, "#beforeSpace -99999999999").beforeSpace, -2147483647 - 1},
    };
    for (const auto& [read, expected] : numbers) EXPECT_EQ(read, expected);
    EXPECT_EQ(readOne(1, "#gene").gene, "");
}

// A line past 9999 characters, whichever it is, is read only so far and marks the entry; the next entry is intact.
TEST(LookupEntry, AnOverlongLineMarksTheEntry) {
    for (const int line : {0, 4, 10}) {
        std::istringstream in(entry(line, "#file " + std::string(20000, 'f')) + entry(0, "#CDS 1..9"));
        GeneRecord record;
        readLookupEntry(in, 0, record);
        EXPECT_TRUE(record.overlongLine) << line;
        readLookupEntry(in, 1, record);
        EXPECT_EQ(std::tie(record.overlongLine, record.gene, record.file), std::tuple(false, "g1", "seq.gb")) << line;
    }
    EXPECT_FALSE(readOne(1, "#gene " + std::string(9993, 'g')).overlongLine);  // 9999 characters
}

TEST(LookupEntry, PreviousEntryAndMissingLinesAtEndOfFile) {
    std::istringstream in(entry(5, "#contig 3") + "#CDS 5..7\n#gene b\n");
    GeneRecord r;
    std::tie(r.prevFile, r.prevContig) = std::tuple("old.gb", 9);
    readLookupEntry(in, 0, r);  // the first entry has no previous one
    EXPECT_EQ(std::tie(r.prevFile, r.prevContig), std::tuple("", 0));
    readLookupEntry(in, 1, r);
    EXPECT_EQ(std::tie(r.prevFile, r.prevContig), std::tuple("seq.gb", 3));
    EXPECT_EQ(std::tie(r.gene, r.file, r.contig, r.altCDSlast), std::tuple("b", "", 0, 0));
    readLookupEntry(in, 2, r);  // past the end: everything empty
    EXPECT_EQ(std::tie(r.cds, r.gene), std::tuple(std::vector<std::int32_t>{}, ""));
}

TEST(LookupTable, CountsCdsLinesIncludingAnUnterminatedLastLine) {
    const std::string name = scratchPath("count_lookup").string();
    writeFile(name, "#CDS 1..3\nxx #CDS\n#cds 4..5\n\n#CDS 7..9");
    std::int32_t n = -1;
    ASSERT_EQ(countLookupEntries(name, n), OpenStatus::Opened);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(countLookupEntries(name + ".missing", n), OpenStatus::CannotOpen);
    std::filesystem::remove(name);
}

TEST(LookupTable, SizingSpansConsecutiveGenesOfOneContig) {
    SizingState sizing;
    GeneRecord r;
    std::tie(r.file, r.contig) = std::tuple("a.gb", 1);
    auto step = [&](const std::string& prevFile, std::int32_t prevContig, std::int32_t first, std::int32_t last) {
        std::tie(r.prevFile, r.prevContig, r.altCDSFirst, r.altCDSlast) = std::tie(prevFile, prevContig, first, last);
        applySizingStep(r, sizing);
        return std::pair(sizing.maxSpan, sizing.furthestEnd);
    };
    EXPECT_EQ(step("", 0, 1000, 5000), std::pair(0, 6000));  // the first entry
    EXPECT_EQ(step("a.gb", 1, 3000, 4000), std::pair(4000, 6000));
    EXPECT_EQ(step("a.gb", 1, 500, 4000), std::pair(6000, 6000));  // low is 0, not negative
    // The same contig number in another file, or another contig, starts afresh.
    EXPECT_EQ(step("b.gb", 1, 3000, 4000), std::pair(6000, 5000));
    EXPECT_EQ(step("a.gb", 2, 500, 100), std::pair(6000, 1100));
    const std::pair<std::int32_t, std::int32_t> rows[] = {{0, 23}, {-5, 23}, {2049, 63}, {2050, 64}};
    for (const auto& [span, expected] : rows) EXPECT_EQ(rowsForSpan(span), expected) << span;
    EXPECT_EQ(rowsForSpan(2147483647), MaxWindowRows);
}

}  // namespace
}  // namespace kestrel
