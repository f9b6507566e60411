// A gene's row, and the cells it is made of, which must match printf byte for byte.
#include "output/gene_row.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <tuple>

#include "formats/kstl_format.hpp"
#include "output/cell_format.hpp"
#include "output/output_file.hpp"
#include "output/output_header.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

std::string printfFraction(double v) {
    char cell[64];
    std::snprintf(cell, sizeof cell, "%6.4f", v);
    return cell;
}

std::string fraction(double v) {
    std::string row;
    appendFraction(row, v);
    return row;
}

TEST(CellFormat, FractionsMatchPrintfByteForByte) {
    // Ratios of counts up to 1500 in double and single precision, ties rounded to even, random and out-of-range values.
    for (int b = 1; b <= 1500; ++b)
        for (int a = 0; a <= b; ++a) {
            const double d = static_cast<double>(a) / b;
            ASSERT_EQ(fraction(d), printfFraction(d)) << a << "/" << b;
            const double f = static_cast<float>(a) / static_cast<float>(b);
            ASSERT_EQ(fraction(f), printfFraction(f)) << a << "/" << b << " in single precision";
        }
    for (double v : {0.03125, 0.00005, 0.00015, 0.12345, 0.99995, 0.5, 1.0, 0.0, -0.25, 3.5})
        EXPECT_EQ(fraction(v), printfFraction(v)) << v;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const double v = unit(random);
        ASSERT_EQ(fraction(v), printfFraction(v)) << v;
    }
}

TEST(CellFormat, IntegersMatchPrintf) {
    for (long long v : {0LL, 7LL, -7LL, 12345678LL, -2147483648LL, std::numeric_limits<long long>::min(),
                        std::numeric_limits<long long>::max()})
        for (int width : {1, 5, 7, 9, 16}) {
            char cell[64];
            std::snprintf(cell, sizeof cell, "%*lld", width, v);
            std::string row = "x";
            appendInteger(row, v, width);
            EXPECT_EQ(row, std::string("x") + cell) << v << " in " << width;
        }
}

struct RowRun {
    GeneRecord record;
    GeneCounts counts;
    RunSettings settings = bareSettings();
    ReferenceTables references;

    RowRun() {
        settings.noncodingMode = NoncodingMode::Separate;
        std::tie(record.gene, record.file, record.contig, record.cds, record.nExons) =
            std::tuple("thrL", "seq.gb", 1, std::vector<std::int32_t>{190, 255}, 1);
        std::tie(record.beforeSpace, record.afterSpace, record.altCDSFirst, record.altCDSlast) =
            std::tuple(UnlimitedSpace, 82, 190, 255);
    }
    std::string row() {
        std::ostringstream file;
        writeGeneRow(file, record, counts, computeCodonBias(counts.codonCount, settings, references), settings);
        return file.str();
    }
    std::string cell(const std::string& label, std::size_t width) {
        return row().substr(kstl::columnHeaderLine(settings).find(label), width);
    }
};

// Long names push the row right; only Met: N = 0, so no index can be computed.
TEST(GeneRow, ReverseGeneWithoutSynonymousCodonsPrintsPlaceholders) {
    RowRun run;
    GeneRecord& r = run.record;
    std::tie(r.gene, r.file, r.complement, r.cds, r.nExons, r.nAlt) =
        std::tuple("abcdefghijabcdefghijabcdefghijK", "abcdefghijabcdefghijabcdefghijabcdefghij", true,
                   std::vector<std::int32_t>{1000, 1100, 1200, 1300}, 2, 1);
    std::tie(r.beforeSpace, r.afterSpace, r.altCDSFirst, r.altCDSlast) = std::tuple(50, UnlimitedSpace, 900, 1300);
    run.counts.noStart = run.counts.preStop = true;
    run.counts.startCodon = {0, 3, 1};
    run.counts.codonCount[codon("ATG")] = 1;
    run.counts.positionBase = {{{1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}};
    RunSettings& s = run.settings;
    s.preferredCodonListUsed = s.rscuTableUsed = s.reportBaseUsage = s.degeneracyBreakdown = true;
    s.noncodingMode = NoncodingMode::FlanksAndIntrons;
    const std::string missing5 = " .      .      .      .      .     ";
    std::string expected =
        "abcdefghijabcdefghijabcdefghijKabcdefghijabcdefghijabcdefghijabcdefghij      1 "
        "     1000      1300 Reverse yes      no    yes     yes         0      1       0 "
        "   nc    nc    nc    nc    nc na    na     1       900      1300        .  overlap "
        "      0     0 " + missing5 + "      0     0 " + missing5 +
        "1.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 1.0000 0.0000 "
        "0.0000 1.0000 0.0000 0.0000 1.0000 ";
    for (int i = 0; i < 9; ++i) expected += missing5;  // ATG lies in no degeneracy class
    EXPECT_EQ(run.row(), expected + "\n");
}

TEST(GeneRow, CodonUsageFractionsInSinglePrecision) {
    RowRun run;
    run.settings.codonUsageOutput = true;
    run.counts.codonCount = codonCounts("CTA 3 CTG 157 TAA 1");  // 3/160 = 0.01875: 0.0188 in single, 0.0187 in double
    EXPECT_EQ(run.cell("Ala_A", 12), "    0     0 ");
    EXPECT_EQ(run.cell("Leu_L", 6), "  160 ");
    EXPECT_EQ(run.cell("STP_x", 7), "    1  ");
    EXPECT_EQ(run.cell("GCA_A", 7), " 0     ");
    EXPECT_EQ(run.cell("CTA_L", 21), "0.0188 0.9812 0.0000 ");
    EXPECT_EQ(run.cell("TAA_x", 21), "1.0000 0.0000 0.0000 ");
    EXPECT_EQ(run.cell("N_CTA_L", 18), "      3      157  ");
}

TEST(GeneRow, SpacesOnEachStrandAndUnrecordedStop) {
    RowRun run;
    // An alternative CDS reaches 40 bases further down.
    std::tie(run.record.beforeSpace, run.record.afterSpace, run.record.altCDSFirst) = std::tuple(30, 20, 150);
    run.counts.startCodon = {1, 3, 1};
    run.counts.stopCodon = {3, 4, 1};  // a bad last codon leaves no letters
    EXPECT_EQ(run.cell("Start Stop", 11), "GTG   na   ");
    EXPECT_EQ(run.cell("UpSBG", 18), " overlap       20 ");
    run.record.complement = true;
    EXPECT_EQ(run.cell("UpSBG", 18), "      20  overlap ");
    run.record.beforeSpace = 45;
    EXPECT_EQ(run.cell("UpSBG", 18), "      20        5 ");
}

class OutputFileTest : public InScratchFolder {};

TEST_F(OutputFileTest, ACreatedFileIsWrittenThroughItsOwnDescriptorNeverByName) {
    OutputFile file;
    ASSERT_TRUE(file.create("run.kstl"));
    writeFile("run.kstl", "left by someone else\n");
    // Between the prompt and the first gene the name is made to point elsewhere.
    writeFile("victim", "keep me\n");
    std::filesystem::rename("run.kstl", "moved.kstl");
    std::filesystem::create_symlink("victim", "run.kstl");
    ASSERT_TRUE(file.startWriting());
    file.stream() << "rows\n";
    EXPECT_TRUE(file.close());
    EXPECT_EQ(readFile("victim") + readFile("moved.kstl"), "keep me\nrows\n");  // emptied first, then written

    // Nothing that exists is created over, not even a link that leads nowhere.
    std::filesystem::create_symlink("nowhere", "dangling.kstl");
    for (const char* name : {"victim", "dangling.kstl", "."}) EXPECT_FALSE(file.create(name)) << name;
    EXPECT_FALSE(file.create(std::string("a\0b.kstl", 8)));
    EXPECT_FALSE(std::filesystem::exists("nowhere") || std::filesystem::exists("a"));
    EXPECT_FALSE(file.startWriting());
}

TEST_F(OutputFileTest, HeaderCopiesReferenceFilesAsTheyStandOrNotAtAll) {
    RunSettings settings = bareSettings();
    settings.rscuTableUsed = settings.preferredCodonListUsed = true;
    settings.rscuFileName = "ref.scu";
    settings.preferredCodonFileName = "gone.opt";
    settings.minimumRscu = 0.125;
    // A carriage return stays; a last line without its newline is not copied.
    writeFile("ref.scu", "highly expressed\r\n#\n12 AAA\nunterminated");
    std::ostringstream out;
    writeOutputHeader(out, settings);
    EXPECT_NE(out.str().find("RSCU file for CAI:          ref.scu\nhighly expressed\r\n#\n12 AAA\n"
                             "Minimum RSCU value:         0.125\n\nOptimal codon file for Fop: gone.opt\n\n"
                             "Inclusion of gene in cumulative data:\n"),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace kestrel
