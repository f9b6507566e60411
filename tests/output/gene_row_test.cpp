#include "output/gene_row.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "analysis/codon_letters.hpp"
#include "formats/kstl_format.hpp"
#include "output/output_header.hpp"

namespace kestrel {
namespace {

int codon(const char* l) { return codonOfLetters(l); }

struct RowRun {
    GeneRecord record;
    GeneCounts counts;
    RunSettings settings;
    ReferenceTables references;

    RowRun() {
        settings.noncodingMode = NoncodingMode::Separate;
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
    run.record.gene = "abcdefghijabcdefghijabcdefghijK";
    run.record.file = "abcdefghijabcdefghijabcdefghijabcdefghij";
    run.record.complement = 1;
    run.record.cds = {1000, 1100, 1200, 1300};
    run.record.nExons = 2;
    run.record.nAlt = 1;
    run.record.beforeSpace = 50;
    run.record.afterSpace = UnlimitedSpace;
    run.record.altCDSFirst = 900;
    run.record.altCDSlast = 1300;
    run.counts.noStart = run.counts.preStop = 1;
    run.counts.startCodon = {0, 3, 1};
    run.counts.codonCount[codon("ATG")] = 1;
    run.counts.positionBase = {{{1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}};
    run.settings.preferredCodonListUsed = run.settings.rscuTableUsed = 1;
    run.settings.reportBaseUsage = run.settings.degeneracyBreakdown = 1;
    run.settings.noncodingMode = NoncodingMode::FlanksAndIntrons;
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
    run.settings.codonUsageOutput = 1;
    run.counts.codonCount[codon("CTA")] = 3;  // 3/160 = 0.01875: 0.0188 in single, 0.0187 in double
    run.counts.codonCount[codon("CTG")] = 157;
    run.counts.codonCount[codon("TAA")] = 1;
    EXPECT_EQ(run.cell("Ala_A", 12), "    0     0 ");
    EXPECT_EQ(run.cell("Leu_L", 6), "  160 ");
    EXPECT_EQ(run.cell("STP_x", 7), "    1  ");
    EXPECT_EQ(run.cell("GCA_A", 7), " 0     ");
    EXPECT_EQ(run.cell("CTA_L", 21), "0.0188 0.9812 0.0000 ");
    EXPECT_EQ(run.cell("TAA_x", 21), "1.0000 0.0000 0.0000 ");
    EXPECT_EQ(run.cell("N_CTA_L", 18), "      3      157  ");
    EXPECT_EQ(run.row().size(), kstl::columnHeaderLine(run.settings).size());
}

TEST(GeneRow, SpacesOnEachStrandAndUnrecordedStop) {
    RowRun run;
    run.record.beforeSpace = 30;
    run.record.afterSpace = 20;
    run.record.altCDSFirst = 150;  // an alternative CDS reaches 40 bases further down
    run.counts.startCodon = {1, 3, 1};
    run.counts.stopCodon = {3, 4, 1};  // a bad last codon leaves no letters
    EXPECT_EQ(run.cell("Start Stop", 11), "GTG   na   ");
    EXPECT_EQ(run.cell("UpSBG", 18), " overlap       20 ");
    run.record.complement = 1;
    EXPECT_EQ(run.cell("UpSBG", 18), "      20  overlap ");
    run.record.beforeSpace = 45;
    EXPECT_EQ(run.cell("UpSBG", 18), "      20        5 ");
}

}  // namespace
}  // namespace kestrel
