#include "output/gene_row.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "analysis/genetic_code.hpp"
#include "output/output_header.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

int codon(const char* letters) {
    return CodonIndex(baseIndex(letters[0]), baseIndex(letters[1]), baseIndex(letters[2]));
}

struct RowRun {
    GeneRecord record;
    GeneCounts counts;
    RunSettings settings;
    ReferenceTables references;
    bool pending = true;
    CodonBiasResults bias;
    std::istringstream in;
    std::ostringstream console;

    RowRun() {
        settings.noncodingMode = 2;
        record.gene = "thrL";
        record.file = "seq.gb";
        record.contig = 1;
        record.cds = {190, 255};
        record.nExons = 1;
        record.beforeSpace = UnlimitedSpace;
        record.afterSpace = 82;
        record.altCDSFirst = 190;
        record.altCDSlast = 255;
    }

    std::string row(bool writeHeader = false) {
        std::ostringstream file;
        Console con(in, console);
        writeGeneOutput(file, writeHeader, record, counts, settings, references, pending, bias, con);
        return file.str();
    }
};

TEST(GeneRow, ForwardGeneCellByCell) {
    RowRun run;
    run.counts.codonCount[codon("AAC")] = 3;
    run.counts.codonCount[codon("AAT")] = 1;
    run.counts.codonCount[codon("ATG")] = 2;
    run.counts.codonCount[codon("TGG")] = 1;
    run.counts.startCodon = {0, 3, 1};
    run.counts.stopCodon = {3, 0, 0};
    run.counts.upBase = {10, 20, 30, 40};
    run.counts.upBad = 2;
    run.counts.downBase = {1, 1, 1, 1};
    run.counts.positionBase = {{{2, 1, 3, 1}, {7, 0, 0, 0}, {0, 0, 7, 0}}};
    EXPECT_EQ(run.row(),
              "thrL                           seq.gb                                        1 "
              "      190       255 Forward  no      no     no      no "
              "        4      3       0    nc 0.062 0.062    nc    nc ATG   TAA    0 "
              "      190       255        .       82 "
              "    100     2 0.5000       0     0  .           4     0 0.5000 "
              "0.5714 0.0000 1.0000 \n");
    EXPECT_EQ(run.console.str(),
              "\n  CBIAS started for thrL\n   Chi/L calculation started for thrL"
              "\n   ENC calculation started for thrL\n  CBIAS finished for thrL");
}

TEST(GeneRow, FirstGeneWritesTheHeaderBeforeItsRow) {
    RowRun run;
    const std::string text = run.row(true);
    std::ostringstream header;
    writeOutputHeader(header, run.settings);
    ASSERT_EQ(text.compare(0, header.str().size(), header.str()), 0);
    EXPECT_EQ(text.substr(header.str().size(), 4), "thrL");
}

// A reverse gene with long names, no codon that could be measured, every option on.
TEST(GeneRow, ReverseGeneWithoutCodonsPrintsPlaceholders) {
    RowRun run;
    run.record.gene = "abcdefghijabcdefghijabcdefghijK";         // 31 characters
    run.record.file = "abcdefghijabcdefghijabcdefghijabcdefghij";  // 40 characters
    run.record.complement = 1;
    run.record.cds = {1000, 1100, 1200, 1300};
    run.record.nExons = 2;
    run.record.nAlt = 1;
    run.record.beforeSpace = 50;
    run.record.afterSpace = UnlimitedSpace;
    run.record.altCDSFirst = 900;
    run.record.altCDSlast = 1300;
    run.counts.noStart = 1;
    run.counts.preStop = 1;
    run.counts.startCodon = {0, 3, 1};
    run.counts.codonCount[codon("ATG")] = 1;
    run.counts.positionBase = {{{1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}};
    run.settings.preferredCodonListUsed = 1;
    run.settings.rscuTableUsed = 1;
    run.settings.reportBaseUsage = 1;
    run.settings.degeneracyBreakdown = 1;
    run.settings.noncodingMode = 1;
    run.settings.segmentAnalysis = 1;
    const std::string row = run.row();
    const std::string missing5 = " .      .      .      .      .     ";
    std::string expected =
        "abcdefghijabcdefghijabcdefghijKabcdefghijabcdefghijabcdefghijabcdefghij      1 "
        "     1000      1300 Reverse yes      no    yes     yes         0      1       0 "
        "   nc    nc    nc    nc    nc na    na     1       900      1300        .  overlap "
        "      0     0 " + missing5 + "      0     0 " + missing5 +
        "1.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 1.0000 0.0000 "
        "0.0000 1.0000 0.0000 0.0000 1.0000 ";
    // ATG belongs to no degeneracy class: nine empty groups.
    for (int i = 0; i < 9; ++i) expected += missing5;
    expected += "no                   nc ";
    for (int i = 0; i < 15; ++i) expected += "       nc ";
    EXPECT_EQ(row, expected + "\n");
}

TEST(GeneRow, CodonUsageFractionsInSinglePrecision) {
    RowRun run;
    run.settings.codonUsageOutput = 1;
    run.counts.codonCount[codon("CTA")] = 3;  // 3/160 = 0.01875: 0.0188 in single precision
    run.counts.codonCount[codon("CTG")] = 157;
    run.counts.codonCount[codon("TAA")] = 1;
    const std::string row = run.row();
    const std::string header = columnHeaderLine(run.settings);
    const auto column = [&](const std::string& label) { return header.find(label); };
    EXPECT_EQ(row.substr(column("Ala_A"), 12), "    0     0 ");
    EXPECT_EQ(row.substr(column("Leu_L"), 6), "  160 ");
    EXPECT_EQ(row.substr(column("STP_x"), 7), "    1  ");
    EXPECT_EQ(row.substr(column("GCA_A"), 7), " 0     ");
    EXPECT_EQ(row.substr(column("CTA_L"), 21), "0.0188 0.9812 0.0000 ");
    EXPECT_EQ(row.substr(column("TAA_x"), 21), "1.0000 0.0000 0.0000 ");
    EXPECT_EQ(row.substr(column("N_CTA_L"), 18), "      3      157  ");
    EXPECT_EQ(row.size(), header.size());
    EXPECT_EQ(run.counts.aminoAcidCount[Leu], 160);
}

TEST(GeneRow, SegmentCountsAndVoidWindow) {
    RowRun run;
    run.settings.segmentAnalysis = 1;
    run.counts.segmentValid = 1;
    run.counts.segmentPreferred = 4;
    run.counts.segmentBase = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {0, 0, 0, 10}}};
    std::string row = run.row();
    const std::size_t segment = columnHeaderLine(run.settings).find("SegUse");
    EXPECT_EQ(row.substr(segment),
              "yes                   4 "
              "        1         2         3         4         5 "
              "        5         6         7         8        13 "
              "        0         0         0        10         0 \n");
    run.counts.segmentValid = 0;
    row = run.row();
    std::string expected = "no                   nc ";
    for (int i = 0; i < 15; ++i) expected += "       nc ";
    EXPECT_EQ(row.substr(segment), expected + "\n");
}

TEST(GeneRow, SpacesOnEachStrandAndStartStopCells) {
    RowRun run;
    run.record.beforeSpace = 30;
    run.record.afterSpace = 20;
    run.record.altCDSFirst = 150;  // an alternative CDS reaches 40 bases further down
    run.counts.startCodon = {1, 3, 1};
    run.counts.stopCodon = {3, 4, 1};  // a bad last codon leaves no letters
    const std::size_t up = columnHeaderLine(run.settings).find("Start Stop");
    EXPECT_EQ(run.row().substr(up, 11), "GTG   na   ");
    const std::size_t spaces = columnHeaderLine(run.settings).find("UpSBG");
    EXPECT_EQ(run.row().substr(spaces, 18), " overlap       20 ");
    run.record.complement = 1;
    EXPECT_EQ(run.row().substr(spaces, 18), "      20  overlap ");
    run.record.beforeSpace = 45;
    EXPECT_EQ(run.row().substr(spaces, 18), "      20        5 ");
}

}  // namespace
}  // namespace kestrel
