#include "input/sequence_reader.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "analysis/genetic_code.hpp"
#include "input/resets.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

struct Layout {
    int width = 60;
    bool doubleSpaced = false;
    bool lowerCase = false;
    bool crlf = false;
};

// A sequence file in the usual flat-file layout: each contig after a header and an
// "ORIGIN" line, numbered lines of blocks of ten letters, closed by "//".
std::string flatFile(const std::vector<std::string>& contigs, const Layout& layout = {}) {
    const std::string eol = layout.crlf ? "\r\n" : "\n";
    std::string text;
    for (std::size_t n = 0; n < contigs.size(); ++n) {
        text += "LOCUS       contig" + std::to_string(n + 1) + eol;
        text += "FEATURES             Location/Qualifiers" + eol + "ORIGIN" + eol;
        const std::string& bases = contigs[n];
        for (std::size_t start = 0; start < bases.size(); start += layout.width) {
            char number[32];
            std::snprintf(number, sizeof number, "%9zu", start + 1);
            std::string line = number;
            for (std::size_t k = start; k < bases.size() && k < start + layout.width; ++k) {
                if ((k - start) % 10 == 0) line += ' ';
                const char c = bases[k];
                line += layout.lowerCase ? static_cast<char>(std::tolower(c)) : c;
            }
            text += line + eol;
            if (layout.doubleSpaced) text += eol;
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

GeneRecord gene(std::vector<std::int32_t> cds, std::int32_t before, std::int32_t after,
                bool complement = false) {
    GeneRecord record;
    record.gene = "g";
    record.cds = cds;
    record.nExons = static_cast<std::int32_t>(cds.size() / 2);
    record.complement = complement ? 1 : 0;
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

class SequenceReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kestrel-reader-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& text) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Walks one gene with a reader of its own, so nothing is shared with other genes.
    GeneCounts walkAlone(GeneRecord record, std::int32_t nRows = 23) {
        StoredSequence store;
        store.allocate(nRows);
        SequenceReader reader(store);
        return walk(reader, record, true);
    }

    GeneCounts walk(SequenceReader& reader, const GeneRecord& record, bool forceNewFile) {
        GeneCounts counts;
        resetGeneCounts(counts);
        std::istringstream in;
        Console console(in, consoleText_);
        lastResult_ = readSequence(reader, record, forceNewFile, settings_, optimal_, counts,
                                   cumulative_, console);
        return counts;
    }

    fs::path dir_;
    RunSettings settings_;
    OptimalCodonFlags optimal_{};
    CumulativeCounts cumulative_;
    std::ostringstream consoleText_;
    bool lastResult_ = false;
};

void expectAtgAaaGggCccTaa(const GeneCounts& counts) {
    EXPECT_EQ(counts.startCodon, (CodonBases{0, 3, 1}));
    EXPECT_EQ(counts.stopCodon, (CodonBases{3, 0, 0}));
    EXPECT_EQ(counts.noStart + counts.noStop + counts.preStop + counts.badCodons, 0);
    EXPECT_EQ(counts.codonCount[CodonIndex(0, 0, 0)], 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(1, 1, 1)], 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(2, 2, 2)], 1);
}

// Positions 11-19 and 30-35 code ATG AAA GGG | CCC TAA; the intron 20-29 is TTTTTCCCCC.
const std::string TwoExonForward = "GGGGGGGGGGATGAAAGGGTTTTTCCCCCCCCTAAAAAAA";
// The same codons on the complement strand: TAA at 11-13 read backwards, ATG at 33-35.
const std::string TwoExonComplement = "GGGGGGGGGGTTAGGGCCCTTTTTCCCCCTTTCATAAAAA";

TEST_F(SequenceReaderTest, TwoExonForwardGeneInCodingOrder) {
    settings_.segmentAnalysis = 1;
    settings_.segmentRelativeToStop = 1;  // window = codon number 4 only
    GeneRecord record = gene({11, 19, 30, 35}, 0, 0);
    record.file = write("a.gb", flatFile({TwoExonForward}));
    const GeneCounts counts = walkAlone(record);
    EXPECT_TRUE(lastResult_);
    EXPECT_EQ(counts.codonTotal, 5);
    expectAtgAaaGggCccTaa(counts);
    EXPECT_EQ(counts.coreBase, (BaseCounts{0, 0, 5, 5}));
    EXPECT_EQ(total(counts.upBase) + total(counts.downBase), 0);
    // Codon number 4 is the stop codon TAA.
    EXPECT_EQ(counts.segmentBase[0], (BaseCounts{0, 0, 0, 1}));
    EXPECT_EQ(counts.segmentBase[1], (BaseCounts{1, 0, 0, 0}));
}

TEST_F(SequenceReaderTest, TwoExonComplementGeneIsComplementedAndReversed) {
    settings_.segmentAnalysis = 1;
    settings_.segmentRelativeToStop = 1;  // codon number 4: bases 11-13
    GeneRecord record = gene({11, 19, 30, 35}, 0, 0, true);
    record.file = write("c.gb", flatFile({TwoExonComplement}));
    GeneCounts counts = walkAlone(record);
    expectAtgAaaGggCccTaa(counts);
    EXPECT_EQ(counts.coreBase, (BaseCounts{5, 5, 0, 0}));  // TTTTTCCCCC complemented
    EXPECT_EQ(counts.segmentBase[0], (BaseCounts{0, 0, 0, 1}));

    settings_.segmentRelativeToStop = 0;  // codon number 0: bases 33-35, the start
    counts = walkAlone(record);
    EXPECT_EQ(counts.segmentBase[0], (BaseCounts{1, 0, 0, 0}));
    EXPECT_EQ(counts.segmentBase[1], (BaseCounts{0, 0, 0, 1}));
    EXPECT_EQ(counts.segmentBase[2], (BaseCounts{0, 1, 0, 0}));
}

TEST_F(SequenceReaderTest, BaseSharedByTwoExonsIsReadTwice) {
    // ATG, then A everywhere except a G at 100: read twice it makes codon 34 GGA.
    std::string seq = "ATG" + std::string(297, 'A');
    seq[99] = 'G';
    GeneRecord record = gene({1, 100, 100, 201}, 0, 0);
    record.file = write("s.gb", flatFile({seq}));
    const GeneCounts counts = walkAlone(record);
    EXPECT_EQ(counts.codonTotal, 67);
    EXPECT_EQ(counts.codonCount[CodonIndex(1, 1, 0)], 1);  // GGA
    EXPECT_EQ(counts.codonCount[CodonIndex(1, 0, 0)], 0);  // GAA
    EXPECT_EQ(counts.codonCount[0], 65);
    // 202 coding bases: no codon ends at 201, so no stop codon is seen.
    EXPECT_EQ(counts.noStop, 0);
    EXPECT_EQ(counts.stopCodon, (CodonBases{4, 4, 4}));
}

TEST_F(SequenceReaderTest, LowerFlankLimits) {
    const std::string file = write("f.gb", flatFile({bases(7000)}));
    auto upstream = [&](std::int32_t before, std::int32_t altFirst, std::int32_t cdsStart) {
        GeneRecord record = gene({cdsStart, cdsStart + 299}, before, 0);
        record.altCDSFirst = altFirst;
        record.file = file;
        const GeneCounts counts = walkAlone(record);
        return total(counts.upBase) + counts.upBad;
    };
    EXPECT_EQ(upstream(UnlimitedSpace, 300, 300), 299);
    EXPECT_EQ(upstream(UnlimitedSpace, 1500, 1500), 1000);
    EXPECT_EQ(upstream(200, 1500, 1500), 200);
    EXPECT_EQ(upstream(50, 5000, 5100), 0);  // room is -50
    EXPECT_EQ(upstream(-5, 1500, 1500), 0);
    // Room reaching below position 1 leaves no lower flank at all.
    EXPECT_EQ(upstream(500, 300, 300), 0);
}

TEST_F(SequenceReaderTest, UpperFlankLimitsAndTheEndOfTheContig) {
    // The second contig must never be read into the first one's downstream flank.
    const std::string file = write("u.gb", flatFile({bases(1320), bases(500, "C")}));
    auto downstream = [&](std::int32_t after, std::int32_t cdsEnd, std::int32_t altLast) {
        GeneRecord record = gene({1, cdsEnd}, 0, after);
        record.altCDSlast = altLast;
        record.file = file;
        const GeneCounts counts = walkAlone(record);
        return total(counts.downBase) + counts.downBad;
    };
    EXPECT_EQ(downstream(UnlimitedSpace, 300, 300), 1000);
    EXPECT_EQ(downstream(120, 300, 300), 120);
    EXPECT_EQ(downstream(120, 300, 330), 90);  // room counted from the CDS end
    EXPECT_EQ(downstream(0, 300, 300), 0);
    EXPECT_EQ(downstream(UnlimitedSpace, 1290, 1290), 30);  // runs into "//"
}

TEST_F(SequenceReaderTest, ComplementFlanksAreCountedAsComplements) {
    // 20 C below the gene, an ATG..TAA gene on the complement strand, 30 A above it.
    const std::string seq = std::string(20, 'C') + "TTACCCCAT" + std::string(30, 'A');
    GeneRecord record = gene({21, 29}, 5, 10, true);
    record.file = write("cf.gb", flatFile({seq}));
    const GeneCounts counts = walkAlone(record);
    EXPECT_EQ(counts.upBase, (BaseCounts{0, 0, 0, 10}));
    EXPECT_EQ(counts.downBase, (BaseCounts{0, 5, 0, 0}));
    EXPECT_EQ(counts.startCodon, (CodonBases{0, 3, 1}));
    EXPECT_EQ(counts.codonCount[CodonIndex(1, 1, 1)], 1);
}

TEST_F(SequenceReaderTest, LayoutDoesNotChangeTheCounts) {
    std::string seq = bases(2500, "ACGTTGCAAGGCT");
    seq[1200] = 'N';  // in the lower flank
    GeneRecord record = gene({1400, 1699, 1800, 2099}, UnlimitedSpace, UnlimitedSpace);
    record.file = write("plain.gb", flatFile({seq}));
    const GeneCounts plain = walkAlone(record);
    EXPECT_EQ(plain.upBad, 1);
    EXPECT_EQ(total(plain.upBase), 999);
    EXPECT_EQ(total(plain.downBase), 401);  // the contig ends at 2500
    EXPECT_EQ(total(plain.coreBase), 100);

    const Layout variants[] = {{60, true, false, false}, {60, false, true, false},
                               {60, false, false, true}, {50, true, true, true},
                               {100, false, false, false}, {130, false, false, false},
                               {10, false, false, false}};
    for (const Layout& layout : variants) {
        record.file = write("variant.gb", flatFile({seq}, layout));
        const GeneCounts other = walkAlone(record);
        SCOPED_TRACE(layout.width);
        EXPECT_EQ(other.upBase, plain.upBase);
        EXPECT_EQ(other.upBad, plain.upBad);
        EXPECT_EQ(other.coreBase, plain.coreBase);
        EXPECT_EQ(other.downBase, plain.downBase);
        EXPECT_EQ(other.codonCount, plain.codonCount);
        EXPECT_EQ(other.positionBase, plain.positionBase);
    }
}

TEST_F(SequenceReaderTest, SixtyLetterLinesPlacePositionsInRowsAndColumns) {
    std::string seq = bases(200, "A");
    seq[59] = 'G';
    seq[60] = 'T';
    StoredSequence store;
    store.allocate(23);
    SequenceReader reader(store);
    ASSERT_TRUE(reader.position(write("r.gb", flatFile({seq})), 1, true, 61));
    EXPECT_EQ(store.row(reader.rowOf(61))[reader.columnOf(61)], 'T');  // row 1, column 0
    EXPECT_EQ(store.row(reader.rowOf(60))[reader.columnOf(60)], 'G');  // row 0, column 59
    EXPECT_EQ(reader.columnOf(61), 0);
}

TEST_F(SequenceReaderTest, GenesOfOneContigShareTheWindow) {
    const std::string file = write("two.gb", flatFile({bases(6000, "ATGC")}));
    GeneRecord first = gene({1000, 1299}, UnlimitedSpace, 400);
    GeneRecord second = gene({1500, 1799}, 200, UnlimitedSpace);
    first.file = second.file = file;

    StoredSequence store;
    store.allocate(23);
    SequenceReader reader(store);
    walk(reader, first, true);
    const GeneCounts shared = walk(reader, second, false);
    EXPECT_EQ(reader.contigEntries(), 1);
    const GeneCounts alone = walkAlone(second);
    EXPECT_EQ(shared.upBase, alone.upBase);
    EXPECT_EQ(shared.downBase, alone.downBase);
    EXPECT_EQ(shared.codonCount, alone.codonCount);
}

TEST_F(SequenceReaderTest, OutOfOrderGeneReEntersTheContig) {
    std::string low = bases(5000, "ATTGCCAGT"), high = bases(3000, "GGCATC");
    low[150] = 'N';
    const std::string file = write("ooo.gb", flatFile({low, high}));
    GeneRecord later = gene({4000, 4299}, UnlimitedSpace, UnlimitedSpace);
    GeneRecord earlier = gene({300, 599, 700, 999}, UnlimitedSpace, UnlimitedSpace);
    GeneRecord otherContig = gene({1000, 1299}, UnlimitedSpace, UnlimitedSpace, true);
    otherContig.contig = 2;
    later.file = earlier.file = otherContig.file = file;

    const GeneCounts alone = walkAlone(earlier);
    EXPECT_EQ(alone.upBad, 1);
    StoredSequence store;
    store.allocate(23);
    SequenceReader reader(store);
    walk(reader, later, true);
    const GeneCounts reEntered = walk(reader, earlier, false);  // before the window
    EXPECT_EQ(reEntered.upBase, alone.upBase);
    EXPECT_EQ(reEntered.upBad, alone.upBad);
    EXPECT_EQ(reEntered.coreBase, alone.coreBase);
    EXPECT_EQ(reEntered.downBase, alone.downBase);
    EXPECT_EQ(reEntered.codonCount, alone.codonCount);

    // Contig 2, then contig 1 again: a lower contig of the same file.
    const GeneCounts second = walk(reader, otherContig, false);
    EXPECT_EQ(second.codonCount, walkAlone(otherContig).codonCount);
    EXPECT_EQ(walk(reader, earlier, false).codonCount, alone.codonCount);
}

TEST_F(SequenceReaderTest, ShortLinesAndASmallWindowStillReachBack) {
    // Lines of 10 letters and 3 rows: a window of 30 bases, far less than one gene.
    const std::string seq = bases(3000, "CAGTTAGC");
    GeneRecord a = gene({1200, 1499}, 300, 300);
    GeneRecord b = gene({1000, 1299}, 100, 100);
    a.file = b.file = write("short.gb", flatFile({seq}, {10, false, false, false}));
    const GeneCounts alone = walkAlone(b);
    EXPECT_EQ(total(alone.upBase), 100);
    StoredSequence store;
    store.allocate(3);
    SequenceReader reader(store);
    walk(reader, a, true);
    const GeneCounts after = walk(reader, b, false);
    EXPECT_EQ(after.upBase, alone.upBase);
    EXPECT_EQ(after.downBase, alone.downBase);
    EXPECT_EQ(after.codonCount, alone.codonCount);
}

TEST_F(SequenceReaderTest, MissingSequenceIsReportedAndExcluded) {
    const std::string good = write("good.gb", flatFile({bases(400, "ATGAAATAA")}));
    const std::string noSequence =
        write("empty.gb", "LOCUS x\nORIGIN\n//\nLOCUS y\nORIGIN\n        1\n//\n");
    GeneRecord record = gene({1, 9}, 0, 0);
    StoredSequence store;
    store.allocate(23);
    SequenceReader reader(store);

    const std::pair<std::string, std::int32_t> missing[] = {
        {(dir_ / "absent.gb").string(), 1},  // cannot be opened
        {good, 2},                           // beyond the file's "ORIGIN" lines
        {noSequence, 1},                     // no sequence line before "//"
        {noSequence, 2},                     // a sequence line without a letter
        {good, 0}};
    for (const auto& [file, contig] : missing) {
        record.file = file;
        record.contig = contig;
        consoleText_.str("");
        const GeneCounts counts = walk(reader, record, false);
        EXPECT_FALSE(lastResult_) << file << " " << contig;
        EXPECT_EQ(consoleText_.str(), "\a\n Sequence of g not found in " + file);
        EXPECT_EQ(counts.codonCount[0] + total(counts.upBase), 0);
    }
    EXPECT_EQ(cumulative_.genesExcluded, 5);
    EXPECT_EQ(cumulative_.genesIncluded, 0);

    // The next gene of the good file is positioned afresh and read in full.
    record.file = good;
    record.contig = 1;
    const GeneCounts counts = walk(reader, record, false);
    EXPECT_TRUE(lastResult_);
    EXPECT_EQ(counts.startCodon, (CodonBases{0, 3, 1}));
    EXPECT_EQ(counts.stopCodon, (CodonBases{3, 0, 0}));
    EXPECT_EQ(cumulative_.genesIncluded, 1);
}

TEST_F(SequenceReaderTest, EntryWithoutCoordinatePairReadsNothing) {
    GeneRecord record = gene({5, 10}, 0, 0);
    record.nExons = 0;
    record.file = (dir_ / "never.gb").string();
    consoleText_.str("");
    walkAlone(record);
    EXPECT_TRUE(lastResult_);
    EXPECT_EQ(consoleText_.str(), "");
    EXPECT_EQ(cumulative_.genesExcluded, 1);
}

TEST_F(SequenceReaderTest, LengthNotAMultipleOfThreeMarksNoStopOrNoStart) {
    const std::string file = write("m.gb", flatFile({"ATGAAATAAC" + bases(50, "G")}));
    GeneRecord forward = gene({1, 10}, 0, 0);
    forward.file = file;
    GeneCounts counts = walkAlone(forward);
    EXPECT_EQ(counts.noStop, 0);
    EXPECT_EQ(counts.stopCodon, (CodonBases{4, 4, 4}));
    EXPECT_EQ(counts.preStop, 1);  // TAA ends at 9, not at the CDS end
    EXPECT_EQ(counts.codonCount[CodonIndex(3, 0, 0)], 1);

    GeneRecord complement = gene({1, 10}, 0, 0, true);
    complement.file = file;
    counts = walkAlone(complement);
    EXPECT_EQ(counts.noStart, 0);
    EXPECT_EQ(counts.startCodon, (CodonBases{4, 4, 4}));
    // The first codon completed (bases 1-3, CAT in coding order) is marked last.
    EXPECT_EQ(counts.noStop, 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(2, 0, 3)], 1);
}

TEST_F(SequenceReaderTest, ReversedCoordinatesDoNotRunOnThroughTheContig) {
    GeneRecord record = gene({500, 100}, 0, 0);
    record.file = write("rev.gb", flatFile({bases(3000)}));
    const GeneCounts counts = walkAlone(record);
    EXPECT_EQ(total(counts.downBase) + total(counts.upBase) + total(counts.coreBase), 0);
}

TEST_F(SequenceReaderTest, CoordinatesOutsideTheContigReadNothingThere) {
    const std::string file = write("out.gb", flatFile({"ATGAAATAA" + bases(291, "C")}));
    GeneRecord beyond = gene({2000000000, 2000000299}, UnlimitedSpace, UnlimitedSpace);
    beyond.file = file;
    GeneCounts counts = walkAlone(beyond);
    EXPECT_TRUE(lastResult_);
    EXPECT_EQ(total(counts.upBase) + total(counts.downBase) + counts.badCodons, 0);
    EXPECT_EQ(counts.startCodon, (CodonBases{4, 4, 4}));

    // Positions below 1 hold no base: the walk begins at position 1.
    GeneRecord fromZero = gene({0, 8}, 0, UnlimitedSpace);
    fromZero.file = file;
    counts = walkAlone(fromZero);
    EXPECT_EQ(total(counts.downBase), 292);  // 9 to 300
    EXPECT_EQ(counts.badCodons, 0);
}

}  // namespace
}  // namespace kestrel
