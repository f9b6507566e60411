#include "input/gene_walk.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "../control/scratch_path.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {
namespace {

struct Layout {
    int width = 60;
    bool doubleSpaced = false, lowerCase = false, crlf = false;
};

// A sequence file in the usual flat-file layout: each contig after a header and an
// "ORIGIN" line, numbered lines of blocks of ten letters, closed by "//".
std::string flatFile(const std::vector<std::string>& contigs, const Layout& layout = {}) {
    const std::string eol = layout.crlf ? "\r\n" : "\n";
    std::string text;
    for (const std::string& contig : contigs) {
        text += "LOCUS       contig" + eol + "FEATURES             Location/Qualifiers" + eol +
                "ORIGIN" + eol;
        for (std::size_t start = 0; start < contig.size(); start += layout.width) {
            char line[32];
            std::snprintf(line, sizeof line, "%9zu", start + 1);
            text += line;
            for (std::size_t k = start; k < contig.size() && k < start + layout.width; ++k) {
                if ((k - start) % 10 == 0) text += ' ';
                text += layout.lowerCase ? static_cast<char>(std::tolower(contig[k])) : contig[k];
            }
            text += eol + (layout.doubleSpaced ? eol : "");
        }
        text += "//" + eol;
    }
    return text;
}

// Repeats a pattern to the given length.
std::string bases(std::size_t length, const std::string& pattern = "GATTACA") {
    std::string out;
    while (out.size() < length) out += pattern;
    out.resize(length);
    return out;
}

GeneRecord gene(const std::string& file, std::vector<std::int32_t> cds, std::int32_t before = 0,
                std::int32_t after = 0, bool complement = false) {
    GeneRecord record;
    record.gene = "g";
    record.file = file;
    record.cds = cds;
    record.nExons = static_cast<std::int32_t>(cds.size() / 2);
    record.complement = complement;
    record.contig = 1;
    record.beforeSpace = before;
    record.afterSpace = after;
    record.altCDSFirst = cds.front();
    record.altCDSlast = cds[2 * static_cast<std::size_t>(record.nExons) - 1];
    return record;
}

std::int32_t total(const BaseCounts& counts) {
    return counts[0] + counts[1] + counts[2] + counts[3];
}

// The counts of the flanks, the core introns and the codons.
auto tallies(const GeneCounts& c) {
    return std::tie(c.upBase, c.upBad, c.coreBase, c.downBase, c.codonCount);
}

class GeneWalkTest : public InScratchFolder {
protected:
    GeneWalkTest() : InScratchFolder("kestrel_reader") {}

    static std::string write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
        return name;
    }

    // Walks one gene with a reader of its own, so nothing is shared with other genes.
    GeneCounts walkAlone(const GeneRecord& record) {
        StoredSequence store;
        store.allocate(23);
        ContigWindow reader(store);
        return walk(reader, record, true);
    }

    GeneCounts walk(ContigWindow& reader, const GeneRecord& record, bool forceNewFile) {
        GeneCounts counts;
        status_ = readGene(reader, record, forceNewFile, settings_, optimal_, counts);
        return counts;
    }

    // Walks the genes in turn with one reader of nRows rows; each must count as when
    // walked alone. Returns how often a contig was entered.
    std::int64_t walkInTurn(const std::vector<GeneRecord>& genes, std::int32_t nRows = 23) {
        StoredSequence store;
        store.allocate(nRows);
        ContigWindow reader(store);
        for (std::size_t k = 0; k < genes.size(); ++k) {
            SCOPED_TRACE("gene " + std::to_string(k));
            EXPECT_EQ(tallies(walk(reader, genes[k], k == 0)), tallies(walkAlone(genes[k])));
        }
        return reader.contigEntries();
    }

    RunSettings settings_;
    OptimalCodonFlags optimal_{};
    ReadStatus status_ = ReadStatus::Read;
};

TEST_F(GeneWalkTest, TwoExonGeneOnEitherStrandInCodingOrder) {
    // Positions 11-19 and 30-35 code ATG AAA GGG | CCC TAA with the intron TTTTTCCCCC
    // between; on the complement strand TAA lies at 11-13 read backwards, ATG at 33-35.
    const std::pair<const char*, BaseCounts> strands[] = {
        {"GGGGGGGGGGATGAAAGGGTTTTTCCCCCCCCTAAAAAAA", {0, 0, 5, 5}},
        {"GGGGGGGGGGTTAGGGCCCTTTTTCCCCCTTTCATAAAAA", {5, 5, 0, 0}}};
    const PositionBaseCounts atg{{{1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}};
    const PositionBaseCounts taa{{{0, 0, 0, 1}, {1, 0, 0, 0}, {1, 0, 0, 0}}};
    settings_.segmentAnalysis = 1;
    for (const bool complement : {false, true})
        for (const int fromStop : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << "complement " << complement << " " << fromStop);
            settings_.segmentRelativeToStop = fromStop;
            const std::string file = write("g.gb", flatFile({strands[complement].first}));
            const GeneCounts counts = walkAlone(gene(file, {11, 19, 30, 35}, 0, 0, complement));
            EXPECT_EQ(counts.startCodon, (CodonBases{0, 3, 1}));
            EXPECT_EQ(counts.stopCodon, (CodonBases{3, 0, 0}));
            for (const int codon : {CodonIndex(0, 0, 0), CodonIndex(1, 1, 1), CodonIndex(2, 2, 2)})
                EXPECT_EQ(counts.codonCount[codon], 1);
            EXPECT_EQ(counts.coreBase, strands[complement].second);
            // The segment is codon number 0 (ATG) or, counted from the stop, number 4 (TAA).
            EXPECT_EQ(counts.segmentBase, fromStop ? taa : atg);
        }
}

TEST_F(GeneWalkTest, BaseSharedByTwoExonsIsReadTwice) {
    // ATG, then A everywhere except a G at 100: read twice it makes codon 34 GGA.
    std::string seq = "ATG" + std::string(297, 'A');
    seq[99] = 'G';
    const GeneCounts counts = walkAlone(gene(write("s.gb", flatFile({seq})), {1, 100, 100, 201}));
    EXPECT_EQ(counts.codonTotal, 67);  // 202 coding bases, the shared one counted twice
    EXPECT_EQ(counts.codonCount[CodonIndex(1, 1, 0)], 1);
    EXPECT_EQ(counts.codonCount[0], 65);
    // 202 coding bases: no codon ends at 201, so no stop codon is seen.
    EXPECT_EQ(counts.stopCodon, (CodonBases{4, 4, 4}));
}

TEST_F(GeneWalkTest, FlankLimits) {
    // The second contig must never be read into the first one's upper flank; the first
    // fills its last line, so only "//" can stop the walk.
    const std::string file = write("f.gb", flatFile({bases(7020), bases(500, "C")}));
    struct Case { std::int32_t first, last, altFirst, altLast, before, after, up, down; };
    const Case cases[] = {
        {300, 599, 300, 599, UnlimitedSpace, 0, 299, 0},  // down to position 1
        {1500, 1799, 1500, 1799, UnlimitedSpace, UnlimitedSpace, 1000, 1000},
        {1500, 1799, 1500, 1799, 200, 120, 200, 120},
        // Room is counted from the CDS ends: -50 below, 90 above.
        {5100, 5399, 5000, 5429, 50, 120, 0, 90},
        {1500, 1799, 1500, 1799, -5, 0, 0, 0},
        // Room reaching below position 1 leaves no lower flank at all.
        {300, 599, 300, 599, 500, 0, 0, 0},
        {6691, 6990, 6691, 6990, 0, UnlimitedSpace, 0, 30},  // runs into "//"
    };
    // Without the first contig's "//", the next record's "LOCUS" line ends the contig.
    std::string unclosed = flatFile({bases(7020), bases(500, "C")});
    unclosed.erase(unclosed.find("//\n"), 3);
    const std::string unclosedFile = write("u.gb", unclosed);
    for (const std::string& f : {file, unclosedFile})
        for (const Case& c : cases) {
            SCOPED_TRACE(f + " " + std::to_string(c.first) + " " + std::to_string(c.before));
            GeneRecord record = gene(f, {c.first, c.last}, c.before, c.after);
            record.altCDSFirst = c.altFirst;
            record.altCDSlast = c.altLast;
            const GeneCounts counts = walkAlone(record);
            EXPECT_EQ(total(counts.upBase) + counts.upBad, c.up);
            EXPECT_EQ(total(counts.downBase) + counts.downBad, c.down);
        }
}

TEST_F(GeneWalkTest, ComplementFlanksAreCountedAsComplements) {
    // 20 C below the gene, an ATG..TAA gene on the complement strand, 30 A above it.
    const std::string file =
        write("cf.gb", flatFile({std::string(20, 'C') + "TTACCCCAT" + std::string(30, 'A')}));
    const GeneCounts counts = walkAlone(gene(file, {21, 29}, 5, 10, true));
    EXPECT_EQ(counts.upBase, (BaseCounts{0, 0, 0, 10}));
    EXPECT_EQ(counts.downBase, (BaseCounts{0, 5, 0, 0}));
}

TEST_F(GeneWalkTest, LayoutDoesNotChangeTheCounts) {
    std::string seq = bases(2500, "ACGTTGCAAGGCT");
    seq[1200] = 'N';  // in the lower flank
    GeneRecord record = gene(write("plain.gb", flatFile({seq})), {1400, 1699, 1800, 2099},
                             UnlimitedSpace, UnlimitedSpace);
    const GeneCounts plain = walkAlone(record);
    EXPECT_EQ(plain.upBad, 1);

    const Layout variants[] = {{60, true, false, false}, {60, false, true, false},
                               {60, false, false, true}, {50, true, true, true},
                               {100, false, false, false}, {130, false, false, false},
                               {10, false, false, false}};
    for (const Layout& layout : variants) {
        SCOPED_TRACE(layout.width);
        record.file = write("variant.gb", flatFile({seq}, layout));
        EXPECT_EQ(tallies(walkAlone(record)), tallies(plain));
    }
}

TEST_F(GeneWalkTest, GenesReadInTurnCountAsWhenReadAlone) {
    std::string low = bases(5000, "ATTGCCAGT");
    low[150] = 'N';
    const std::string file = write("two.gb", flatFile({low, bases(3000, "GGCATC")}));
    const GeneRecord earlier = gene(file, {300, 599, 700, 999}, UnlimitedSpace, UnlimitedSpace);
    GeneRecord otherContig = gene(file, {1000, 1299}, UnlimitedSpace, UnlimitedSpace, true);
    otherContig.contig = 2;
    // Genes of one contig in order share the window.
    EXPECT_EQ(walkInTurn({gene(file, {1000, 1299}, UnlimitedSpace, 400),
                          gene(file, {1500, 1799}, 200, UnlimitedSpace)}),
              1);
    // A gene before the window re-enters the contig, as does a lower contig of the file.
    walkInTurn({gene(file, {4000, 4299}, UnlimitedSpace, UnlimitedSpace), earlier, otherContig,
                earlier});
    // Lines of 10 letters and 3 rows: a window of 30 bases, far less than one gene.
    const std::string tenLetters = write("short.gb", flatFile({bases(3000, "CAGTTAGC")}, {10}));
    walkInTurn({gene(tenLetters, {1200, 1499}, 300, 300), gene(tenLetters, {1000, 1299}, 100, 100)},
               3);
    // A first contig shorter than the window and not closed by "//": filling the window
    // reads on past the second contig's "ORIGIN" line, which must still be found.
    std::string text = flatFile({bases(300), bases(600, "GGCATC")});
    GeneRecord second = gene(write("open.gb", text.erase(text.find("//"), 3)), {100, 399});
    second.contig = 2;
    walkInTurn({gene(second.file, {1, 300}), second});
}

TEST_F(GeneWalkTest, MissingSequenceIsReportedAndExcluded) {
    const std::string good = write("good.gb", flatFile({bases(400, "ATGAAATAA")}));
    // Letters after a contig's "//" are not its sequence, nor is a line that does not
    // begin with a position number.
    const std::string noSequence = write(
        "empty.gb", "LOCUS x\nORIGIN\n//\n        1 atg\nLOCUS y\nORIGIN\nno bases\n        1\n//\n");
    StoredSequence store;
    store.allocate(23);
    ContigWindow reader(store);
    const struct {
        std::string file;
        std::int32_t contig;
        ReadStatus status;
    } missing[] = {
        {"absent.gb", 1, ReadStatus::FileNotOpened},
        {noSequence, 1, ReadStatus::NotFound},  // no sequence line before "//"
        {noSequence, 2, ReadStatus::NotFound},  // a sequence line without a letter
        {good, 2, ReadStatus::NotFound},        // beyond the file's "ORIGIN" lines
        {good, 0, ReadStatus::NotFound}};
    for (const auto& [file, contig, status] : missing) {
        GeneRecord record = gene(file, {1, 9});
        record.contig = contig;
        const GeneCounts counts = walk(reader, record, false);
        EXPECT_EQ(status_, status) << file << " " << contig;
        EXPECT_EQ(counts.codonCount[0] + total(counts.upBase), 0);
    }

    // An entry without a complete coordinate pair is excluded without reading anything.
    GeneRecord record = gene("absent.gb", {1, 9});
    record.nExons = 0;
    walk(reader, record, false);
    EXPECT_EQ(status_, ReadStatus::NoCoordinates);

    // The next gene of the good file is positioned afresh, by its own "ORIGIN" lines, and
    // read in full.
    const GeneCounts counts = walk(reader, gene(good, {1, 9}), false);
    EXPECT_EQ(status_, ReadStatus::Read);
    EXPECT_EQ(counts.startCodon, (CodonBases{0, 3, 1}));
    EXPECT_EQ(counts.stopCodon, (CodonBases{3, 0, 0}));
}

// A line longer than the reader holds ends the contig's sequence, and a gene read up to
// it says so; a FIFO is refused without being waited on.
TEST_F(GeneWalkTest, OverlongLinesAndFilesThatAreNotRegular) {
    std::string text = flatFile({bases(6000)});
    text.insert(text.find("     3001 "), "     3001 " + std::string(10000, 'a') + "\n");
    const std::string file = write("long.gb", text);
    EXPECT_EQ(tallies(walkAlone(gene(file, {1, 300}, 0, 100))),
              tallies(walkAlone(gene(write("ok.gb", flatFile({bases(6000)})), {1, 300}, 0, 100))));
    EXPECT_EQ(status_, ReadStatus::Read);
    const GeneCounts cut = walkAlone(gene(file, {2701, 3300}));
    EXPECT_EQ(status_, ReadStatus::ReadToOverlongLine);
    EXPECT_EQ(cut.stopCodon, (CodonBases{4, 4, 4}));  // the walk ended at 3000

    walkAlone(gene(write("first.gb", "ORIGIN\n 1 " + std::string(10000, 'c') + "\n//\n"), {1, 300}));
    EXPECT_EQ(status_, ReadStatus::OverlongLine);

    ASSERT_EQ(::mkfifo("pipe.gb", 0600), 0);
    walkAlone(gene("pipe.gb", {1, 300}));
    EXPECT_EQ(status_, ReadStatus::NotRegularFile);
}

// Contig i of a file of many contigs is told by its letters; the places of only so many
// "ORIGIN" lines are remembered, and contigs past them are still found, in any order.
TEST_F(GeneWalkTest, ContigsPastTheRememberedOnesAreFound) {
    const auto letters = [](int i) {
        std::string s;
        for (int k = 0; k < 9; ++k, i /= 4) s += "ACGT"[i % 4];
        return s + "AAA";
    };
    std::string text;
    for (int i = 1; i <= 70000; ++i) text += "ORIGIN\n        1 " + letters(i) + "\n//\n";
    const std::string file = write("many.gb", text);
    StoredSequence store;
    store.allocate(23);
    ContigWindow reader(store);
    for (const int contig : {69999, 66000, 70000, 100, 65536, 65537, 70000}) {
        SCOPED_TRACE(contig);
        GeneRecord record = gene(file, {1, 12});
        record.contig = contig;
        const GeneCounts counts = walk(reader, record, false);
        EXPECT_EQ(tallies(counts), tallies(walkAlone(gene(write("one.gb", flatFile({letters(contig)})), {1, 12}))));
    }
}

TEST_F(GeneWalkTest, CoordinatesOfOddLengthOrOutsideTheContig) {
    const std::string file = write("odd.gb", flatFile({"ATGAAATAAC" + bases(290, "C")}));
    GeneCounts counts = walkAlone(gene(file, {1, 10}));
    EXPECT_EQ(counts.stopCodon, (CodonBases{4, 4, 4}));
    EXPECT_EQ(counts.preStop, 1);  // TAA ends at 9, not at the CDS end
    counts = walkAlone(gene(file, {1, 10}, 0, 0, true));
    EXPECT_EQ(counts.startCodon, (CodonBases{4, 4, 4}));
    // The first codon completed (bases 1-3, CAT in coding order) is marked last.
    EXPECT_EQ(counts.noStop, 1);

    // Reversed coordinates must not run on through the contig.
    counts = walkAlone(gene(file, {250, 100}));
    EXPECT_EQ(total(counts.downBase) + total(counts.upBase) + total(counts.coreBase), 0);

    counts = walkAlone(gene(file, {2000000000, 2000000299}, UnlimitedSpace, UnlimitedSpace));
    EXPECT_EQ(status_, ReadStatus::Read);
    EXPECT_EQ(total(counts.upBase) + total(counts.downBase) + counts.badCodons, 0);
    EXPECT_EQ(counts.startCodon, (CodonBases{4, 4, 4}));

    // Positions below 1 hold no base: the walk begins at position 1.
    counts = walkAlone(gene(file, {0, 8}, 0, UnlimitedSpace));
    EXPECT_EQ(total(counts.downBase), 292);  // 9 to 300
    EXPECT_EQ(counts.badCodons, 0);
}

}  // namespace
}  // namespace kestrel
