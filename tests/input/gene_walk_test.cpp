#include "input/gene_walk.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <tuple>
#include <vector>

#include "analysis/genetic_code.hpp"
#include "input/lookup_table.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

// A flat file: each contig after a header and "ORIGIN", numbered lines of ten-letter blocks, then "//".
std::string flatFile(const std::vector<std::string>& contigs, std::size_t width = 60) {
    std::string text;
    for (const std::string& contig : contigs) {
        text += "LOCUS       contig\nFEATURES             Location/Qualifiers\nORIGIN\n";
        for (std::size_t start = 0; start < contig.size(); start += width) {
            char line[32];
            std::snprintf(line, sizeof line, "%9zu", start + 1);
            text += line;
            for (std::size_t k = start; k < contig.size() && k < start + width; ++k)
                text += ((k - start) % 10 == 0 ? " " : "") + std::string(1, contig[k]);
            text += "\n";
        }
        text += "//\n";
    }
    return text;
}

std::string bases(std::size_t length, const std::string& pattern = "GATTACA") {
    std::string out;
    while (out.size() < length) out += pattern;
    return out.substr(0, length);
}

GeneRecord gene(const std::string& file, std::vector<std::int32_t> cds, std::int32_t before = 0,
                std::int32_t after = 0, bool complement = false, std::int32_t contig = 1) {
    GeneRecord r;
    r.nExons = static_cast<std::int32_t>(cds.size() / 2);
    std::tie(r.gene, r.file, r.complement, r.contig, r.beforeSpace, r.afterSpace) =
        std::tuple("g", file, complement, contig, before, after);
    r.altCDSFirst = cds.front();
    r.altCDSlast = cds[2 * static_cast<std::size_t>(r.nExons) - 1];
    r.cds = std::move(cds);
    return r;
}

std::int32_t total(const BaseCounts& counts) { return counts[0] + counts[1] + counts[2] + counts[3]; }

auto tallies(const GeneCounts& c) { return std::tie(c.upBase, c.upBad, c.coreBase, c.downBase, c.codonCount); }

struct Window {
    explicit Window(std::int32_t nRows = 23) { store.allocate(nRows); }
    StoredSequence store;
    ContigWindow window{store};
};

class GeneWalkTest : public InScratchFolder {
protected:
    GeneCounts walkAlone(const GeneRecord& record) {
        Window alone;
        return walk(alone.window, record, true);
    }
    GeneCounts walk(ContigWindow& window, const GeneRecord& record, bool forceNewFile) {
        GeneCounts counts;
        status_ = readGene(window, record, forceNewFile, settings_, optimal_, counts);
        return counts;
    }
    // Genes walked in turn through one window must count as when walked alone; returns the contig entries.
    std::int64_t walkInTurn(const std::vector<GeneRecord>& genes, std::int32_t nRows = 23) {
        Window shared(nRows);
        for (std::size_t k = 0; k < genes.size(); ++k)
            EXPECT_EQ(tallies(walk(shared.window, genes[k], k == 0)), tallies(walkAlone(genes[k]))) << "gene " << k;
        return shared.window.contigEntries();
    }

    Window shared_;
    RunSettings settings_ = bareSettings();
    OptimalCodonFlags optimal_{};
    ReadStatus status_ = ReadStatus::Read;
};

TEST_F(GeneWalkTest, TwoExonGeneOnEitherStrandInCodingOrder) {
    // Positions 11-19 and 30-35 code ATG AAA GGG | CCC TAA with the intron TTTTTCCCCC
    // between; on the complement strand TAA lies at 11-13 read backwards, ATG at 33-35.
    const std::pair<const char*, BaseCounts> strands[] = {{"GGGGGGGGGGATGAAAGGGTTTTTCCCCCCCCTAAAAAAA", {0, 0, 5, 5}},
                                                          {"GGGGGGGGGGTTAGGGCCCTTTTTCCCCCTTTCATAAAAA", {5, 5, 0, 0}}};
    const PositionBaseCounts atg{{{1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}};
    const PositionBaseCounts taa{{{0, 0, 0, 1}, {1, 0, 0, 0}, {1, 0, 0, 0}}};
    settings_.segmentAnalysis = true;
    for (const bool complement : {false, true})
        for (const bool fromStop : {false, true}) {
            settings_.segmentRelativeToStop = fromStop;
            const std::string file = writeFile("g.gb", flatFile({strands[complement].first}));
            const GeneCounts counts = walkAlone(gene(file, {11, 19, 30, 35}, 0, 0, complement));
            EXPECT_EQ(std::tie(counts.startCodon, counts.stopCodon, counts.coreBase),
                      std::tuple(CodonBases{0, 3, 1}, CodonBases{3, 0, 0}, strands[complement].second));
            const auto& n = counts.codonCount;
            EXPECT_EQ(n[CodonIndex(0, 0, 0)] + n[CodonIndex(1, 1, 1)] + n[CodonIndex(2, 2, 2)], 3);
            // The segment is codon number 0 (ATG) or, counted from the stop, number 4 (TAA).
            EXPECT_EQ(counts.segmentBase, fromStop ? taa : atg) << complement << fromStop;
        }
    // A base shared by two exons is read for each: ATG, then A everywhere except a G at
    // 100, which makes codon 34 GGA. 202 coding bases: no codon ends at 201, so no stop.
    std::string seq = "ATG" + std::string(297, 'A');
    seq[99] = 'G';
    const GeneCounts shared = walkAlone(gene(writeFile("s.gb", flatFile({seq})), {1, 100, 100, 201}));
    EXPECT_EQ(std::tie(shared.codonTotal, shared.codonCount[CodonIndex(1, 1, 0)], shared.codonCount[0], shared.stopCodon),
              std::tuple(67, 1, 65, CodonBases{4, 4, 4}));
}

TEST_F(GeneWalkTest, FlankLimits) {
    // The second contig never reaches the first one's upper flank: the first fills its last line, so
    // "//" stops the walk, or without "//" the next record's "LOCUS" line.
    const std::string closed = flatFile({bases(7020), bases(500, "C")});
    std::string unclosed = closed;
    unclosed.erase(unclosed.find("//\n"), 3);
    const struct { std::int32_t first, last, altFirst, altLast, before, after, up, down; } cases[] = {
        {300, 599, 300, 599, UnlimitedSpace, 0, 299, 0},  // down to position 1
        {1500, 1799, 1500, 1799, UnlimitedSpace, UnlimitedSpace, 1000, 1000},
        {1500, 1799, 1500, 1799, 200, 120, 200, 120},
        {5100, 5399, 5000, 5429, 50, 120, 0, 90},  // room is counted from the CDS ends: -50 below, 90 above
        {1500, 1799, 1500, 1799, -5, 0, 0, 0},
        {300, 599, 300, 599, 500, 0, 0, 0},  // room reaching below position 1 leaves no lower flank at all
        {6691, 6990, 6691, 6990, 0, UnlimitedSpace, 0, 30},  // runs into "//"
    };
    for (const std::string& file : {writeFile("f.gb", closed), writeFile("u.gb", unclosed)})
        for (const auto& c : cases) {
            GeneRecord record = gene(file, {c.first, c.last}, c.before, c.after);
            std::tie(record.altCDSFirst, record.altCDSlast) = std::pair(c.altFirst, c.altLast);
            const GeneCounts counts = walkAlone(record);
            EXPECT_EQ(std::pair(total(counts.upBase) + counts.upBad, total(counts.downBase) + counts.downBad),
                      std::pair(c.up, c.down))
                << file << " " << c.first << " " << c.before;
        }
    // On the complement strand: 20 C below the gene (downstream, as G), 30 A above (upstream, as T).
    const std::string file = writeFile("cf.gb", flatFile({std::string(20, 'C') + "TTACCCCAT" + std::string(30, 'A')}));
    const GeneCounts counts = walkAlone(gene(file, {21, 29}, 5, 10, true));
    EXPECT_EQ(std::pair(counts.upBase, counts.downBase), std::pair(BaseCounts{0, 0, 0, 10}, BaseCounts{0, 5, 0, 0}));
}

TEST_F(GeneWalkTest, GenesReadInTurnCountAsWhenReadAlone) {
    std::string low = bases(5000, "ATTGCCAGT");
    low[150] = 'N';
    const std::string file = writeFile("two.gb", flatFile({low, bases(3000, "GGCATC")}));
    const GeneRecord earlier = gene(file, {300, 599, 700, 999}, UnlimitedSpace, UnlimitedSpace);
    // Genes of one contig in order share the window.
    EXPECT_EQ(walkInTurn({gene(file, {1000, 1299}, UnlimitedSpace, 400), gene(file, {1500, 1799}, 200, UnlimitedSpace)}),
              1);
    // A gene before the window re-enters the contig, as does a lower contig of the file.
    walkInTurn({gene(file, {4000, 4299}, UnlimitedSpace, UnlimitedSpace), earlier,
                gene(file, {1000, 1299}, UnlimitedSpace, UnlimitedSpace, true, 2), earlier});
    // Lines of 10 letters and 3 rows: a window of 30 bases, far less than one gene.
    const std::string tenLetters = writeFile("short.gb", flatFile({bases(3000, "CAGTTAGC")}, 10));
    walkInTurn({gene(tenLetters, {1200, 1499}, 300, 300), gene(tenLetters, {1000, 1299}, 100, 100)}, 3);
    // A first contig shorter than the window, without "//": filling the window passes the second "ORIGIN", still found.
    std::string text = flatFile({bases(300), bases(600, "GGCATC")});
    const std::string open = writeFile("open.gb", text.erase(text.find("//"), 3));
    walkInTurn({gene(open, {1, 300}), gene(open, {100, 399}, 0, 0, false, 2)});
}

// Unreadable or irregular files, overlong lines and missing contigs: see the bad-input and hostile suites.
TEST_F(GeneWalkTest, SequenceOnlyAfterAnOriginLineAndOnlyWithAPositionNumber) {
    const std::string good = writeFile("good.gb", flatFile({bases(400, "ATGAAATAA")}));
    // Neither letters after a contig's "//" nor a line without a position number are sequence.
    const std::string noSequence =
        writeFile("empty.gb", "LOCUS x\nORIGIN\n//\n        1 atg\nLOCUS y\nORIGIN\nno bases\n        1\n//\n");
    ContigWindow& window = shared_.window;
    for (const std::int32_t contig : {1, 2}) {
        walk(window, gene(noSequence, {1, 9}, 0, 0, false, contig), false);
        EXPECT_EQ(status_, ReadStatus::NotFound) << contig;
    }
    // The next gene is positioned afresh, by its own file's "ORIGIN" lines.
    const GeneCounts counts = walk(window, gene(good, {1, 9}), false);
    EXPECT_EQ(std::tie(status_, counts.stopCodon), std::tuple(ReadStatus::Read, CodonBases{3, 0, 0}));
    GeneRecord noPair = gene(good, {1, 9});
    noPair.nExons = 0;
    walk(window, noPair, false);
    EXPECT_EQ(status_, ReadStatus::NoCoordinates);
}

// Contig i is told by its letters; contigs past the remembered "ORIGIN" places are still found, in any order.
TEST_F(GeneWalkTest, ContigsPastTheRememberedOnesAreFound) {
    const auto letters = [](int i) {
        std::string s;
        for (int k = 0; k < 9; ++k, i /= 4) s += "ACGT"[i % 4];
        return s + "AAA";
    };
    std::string text;
    for (int i = 1; i <= 70000; ++i) text += "ORIGIN\n        1 " + letters(i) + "\n//\n";
    const std::string file = writeFile("many.gb", text);
    for (const int contig : {69999, 66000, 70000, 100, 65536, 65537, 70000})
        EXPECT_EQ(tallies(walk(shared_.window, gene(file, {1, 12}, 0, 0, false, contig), false)),
                  tallies(walkAlone(gene(writeFile("one.gb", flatFile({letters(contig)})), {1, 12}))))
            << contig;
}

TEST_F(GeneWalkTest, CoordinatesOfOddLengthOrOutsideTheContig) {
    const std::string file = writeFile("odd.gb", flatFile({"ATGAAATAAC" + bases(290, "C")}));
    // TAA ends at 9, not at the CDS end: a premature stop, and no stop codon.
    GeneCounts counts = walkAlone(gene(file, {1, 10}));
    EXPECT_EQ(std::tie(counts.stopCodon, counts.preStop), std::tuple(CodonBases{4, 4, 4}, true));
    // On the complement strand the first codon completed (bases 1-3, CAT) is the last.
    counts = walkAlone(gene(file, {1, 10}, 0, 0, true));
    EXPECT_EQ(std::tie(counts.startCodon, counts.noStop), std::tuple(CodonBases{4, 4, 4}, true));
    // Reversed coordinates do not run on; past the contig's end nothing is read; below 1 the walk begins at 1.
    const struct {
        std::int32_t first, last, before, after, noncoding;
        ReadStatus status;
    } cases[] = {{250, 100, 0, 0, 0, ReadStatus::Read},
                 {2000000000, 2000000299, UnlimitedSpace, UnlimitedSpace, 0, ReadStatus::CdsPastEnd},
                 {0, 8, 0, UnlimitedSpace, 292, ReadStatus::Read}};
    for (const auto& c : cases) {
        counts = walkAlone(gene(file, {c.first, c.last}, c.before, c.after));
        const std::int32_t noncoding = total(counts.downBase) + total(counts.upBase) + total(counts.coreBase);
        EXPECT_EQ(std::tuple(status_, noncoding, counts.badCodons), std::tuple(c.status, c.noncoding, 0)) << c.first;
    }
}

// A coding sequence that the contig's end (its "//", a cut file's end, a line too long) stops short is never
// counted, and its row says which end was not read; a flank that the cut stops short is read as at "//".
TEST_F(GeneWalkTest, CodingSequencesCutShortByTheEndOfTheirSequence) {
    // ATG at 201-203, and TAA read backwards (TTA) at 204-206 for the complement strand; 300 bases in all.
    const std::string contig = bases(200, "C") + "ATGTTA" + bases(94, "GCA");
    std::string closed = flatFile({contig});
    const std::string cut = writeFile("cut.gb", closed.substr(0, closed.find("//")));
    const std::string overlong =
        writeFile("long.gb", closed.substr(0, closed.find("      241")) + "      241 " + std::string(10000, 'a') + "\n");
    closed = writeFile("closed.gb", closed);
    const struct {
        const std::string& file;
        std::int32_t first, last;
        bool complement;
        ReadStatus status;
        bool noStart, noStop;
        std::int32_t codons;
    } cases[] = {
        {closed, 201, 299, false, ReadStatus::Read, false, true, 32},  // the start codon is not counted
        {closed, 201, 350, false, ReadStatus::CdsPastEnd, false, true, 32},
        {closed, 204, 350, true, ReadStatus::CdsPastEnd, true, false, 31},  // its stop codon read, not counted
        {closed, 400, 699, false, ReadStatus::CdsPastEnd, true, true, 0},
        {closed, 400, 699, true, ReadStatus::CdsPastEnd, true, true, 0},
        {cut, 201, 350, false, ReadStatus::CdsPastCut, false, true, 32},
        {cut, 400, 699, true, ReadStatus::CdsPastCut, true, true, 0},
        {overlong, 201, 350, false, ReadStatus::CdsPastOverlongLine, false, true, 12},
    };
    settings_.segmentAnalysis = true;
    for (const auto& c : cases) {
        const GeneCounts counts = walkAlone(gene(c.file, {c.first, c.last}, 0, 0, c.complement));
        std::int32_t codons = 0;
        for (const std::int32_t n : counts.codonCount) codons += n;
        EXPECT_EQ(std::tuple(status_, counts.noStart, counts.noStop, codons + counts.badCodons),
                  std::tuple(c.status, c.noStart, c.noStop, c.codons))
            << c.file << " " << c.first << " " << c.complement;
        EXPECT_EQ(geneWasRead(status_), c.status == ReadStatus::Read) << c.first;
        EXPECT_TRUE(geneWasRead(status_) || !counts.segmentValid) << c.first;
    }
    // The CDS whole, its upper flank cut by the end of the file: read as when "//" ends it, and said.
    const GeneCounts atCut = walkAlone(gene(cut, {201, 299}, UnlimitedSpace, UnlimitedSpace));
    EXPECT_EQ(status_, ReadStatus::ReadToCut);
    EXPECT_EQ(tallies(atCut), tallies(walkAlone(gene(closed, {201, 299}, UnlimitedSpace, UnlimitedSpace))));
    EXPECT_EQ(status_, ReadStatus::Read);
}

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
