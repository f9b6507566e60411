#include "output/output_header.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace kestrel {
namespace {

const std::string FixedPieces =
    "Gene                           File                                     Contig "
    "First     Last      Strand  noStart noStop preStop Alt DegenCdns MetTrp BadCdns "
    "ENC   Chi_L ChiSc Fop   CAI   Start Stop Int AltFirst  AltLast   UpSBG    DownSBG  ";

RunSettings allOff() {
    RunSettings settings;
    settings.lookupFileName = "genes.txt";
    settings.noncodingMode = 2;
    return settings;
}

TEST(ColumnHeader, AllOptionsOff) {
    EXPECT_EQ(FixedPieces.size(), 242u);
    EXPECT_EQ(columnHeaderLine(allOff()),
              FixedPieces +
                  "UpBases BadUp GC_up  CoBases BadCo GC_co  DnBases BadDn GC_dn  "
                  "GC1    GC2    GC3    \n");
}

TEST(ColumnHeader, NoncodingModesWithBaseUsage) {
    RunSettings settings = allOff();
    settings.reportBaseUsage = 1;
    settings.noncodingMode = 1;
    EXPECT_EQ(columnHeaderLine(settings),
              FixedPieces +
                  "CoBases BadCo A_co   G_co   C_co   T_co   GC_co  "
                  "FlBases BadFl A fl   G_fl   C_fl   T_fl   GC_fl  "
                  "A1     G1     C1     T1     GC1    A2     G2     C2     T2     GC2    "
                  "A3     G3     C3     T3     GC3    \n");
    settings.noncodingMode = 0;
    settings.reportBaseUsage = 0;
    EXPECT_EQ(columnHeaderLine(settings), FixedPieces + "NCBases BadNC GC_nc  GC1    GC2    GC3    \n");
}

TEST(ColumnHeader, AllOptionsOn) {
    RunSettings settings = allOff();
    settings.reportBaseUsage = 1;
    settings.degeneracyBreakdown = 1;
    settings.codonUsageOutput = 1;
    settings.segmentAnalysis = 1;
    const std::string line = columnHeaderLine(settings);
    // 242 fixed, 3 noncoding groups of 49, 3 positions and 9 degeneracy groups of 35,
    // 21 * 6 + 1 + 64 * 7 + 64 * 9 codon-usage labels, 174 segment labels, the newline.
    EXPECT_EQ(line.size(), 242u + 147 + 105 + 315 + 1151 + 174 + 1);
    EXPECT_EQ(line.find("GC3    A1_2   G1_2   C1_2   T1_2   GC1_2  A2_2   "), 487u);
    EXPECT_NE(line.find("GC3_4  A1_6   G1_6   C1_6   T1_6   GC1_6  "), std::string::npos);
    EXPECT_EQ(line.find("GC3_6  Ala_A Arg_R Asn_N "), 809u - 7);
    EXPECT_NE(line.find("Val_V STP_x  GCA_A  GCG_A  GCC_A  GCT_A  AGA_R  AGG_R  CGA_R  "),
              std::string::npos);
    EXPECT_NE(line.find("TGG_W  TAC_Y  TAT_Y  GTA_V  GTG_V  GTC_V  GTT_V  TAA_x  TAG_x  TGA_x  N_GCA_A  "),
              std::string::npos);
    EXPECT_NE(line.find("ATA_I  ATC_I  ATT_I  CTA_L  CTG_L  CTC_L  CTT_L  TTA_L  TTG_L  AAA_K  "),
              std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 184, 9), "N_TGA_x  ");
    EXPECT_EQ(line.substr(line.size() - 175),
              "SegUse Pref_Codon_usage A1_usage  G1_usage  C1_usage  T1_usage  GC1_usage "
              "A2_usage  G2_usage  C2_usage  T2_usage  GC2_usage A3_usage  G3_usage  C3_usage  "
              "T3_usage  GC3_usage \n");
}

TEST(ColumnHeader, CodonUsageEndsTheDefaultLine) {
    RunSettings settings = allOff();
    settings.codonUsageOutput = 1;
    const std::string line = columnHeaderLine(settings);
    EXPECT_EQ(line.substr(line.size() - 10), "N_TGA_x  \n");
    EXPECT_EQ(line.size(), 242u + 63 + 21 + 1151 + 1);
}

std::string header(const RunSettings& settings) {
    std::ostringstream out;
    writeOutputHeader(out, settings);
    return out.str();
}

TEST(OutputHeader, DefaultsWithoutReferenceFiles) {
    RunSettings settings = allOff();
    settings.prokaryoteGenome = 1;
    EXPECT_EQ(header(settings),
              "KESTREL output file for: genes.txt\n"
              "\n"
              "Note: start codon not included in codon and amino acid counts\n"
              "\n"
              "USER OPTIONS:\n"
              "Type of Organism: Prokaryote (or phage)\n"
              "RSCU file for CAI: none\n"
              "Optimal codon file for Fop: none\n"
              "\n"
              "Inclusion of gene in cumulative data:\n"
              "   Start Codon:     not required to included other codons\n"
              "   Stop Codon:      not required to included other codons\n"
              "   Overall:         will use any good codon (but see 1 and 2)\n"
              "   Alternative CDS: allowed\n"
              "   Premature Stop:  allowed\n"
              "\n"
              "Analysis of Noncoding Sequence: separate upstream, core introns and downstream\n"
              "\n"
              "\n"
              "SEGMENT ANALYSIS: none\n"
              "\n" +
                  columnHeaderLine(settings));
}

class ReferenceFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("kestrel_header_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string write(const std::string& name, const std::string& text) {
        const auto path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::filesystem::path dir;
};

TEST_F(ReferenceFiles, CopiedVerbatimWithOptionLines) {
    RunSettings settings = allOff();
    settings.rscuTableUsed = 1;
    settings.rscuFileName = write("ref.scu", "highly expressed\r\n#\n12 AAA\nunterminated");
    settings.minimumRscu = 0.125;
    settings.preferredCodonListUsed = 1;
    settings.preferredCodonFileName = write("ref.opt", "optimal\n#\n");
    settings.startCodonRequired = 1;
    settings.stopCodonRequired = 1;
    settings.allCodonsMustBeGood = 1;
    settings.noAlternativeCds = 1;
    settings.noPrematureStops = 1;
    settings.noncodingMode = 1;
    const std::string text = header(settings);
    EXPECT_NE(text.find("Type of Organism: Eukaryote (or virus)\n"
                        "RSCU file for CAI:          " + settings.rscuFileName + "\n"
                        "highly expressed\r\n#\n12 AAA\n"
                        "Minimum RSCU value:         0.125\n"
                        "\n"
                        "Optimal codon file for Fop: " + settings.preferredCodonFileName + "\n"
                        "optimal\n#\n"
                        "\n"
                        "Inclusion of gene in cumulative data:\n"
                        "   Start Codon:     required to include other codons\n"
                        "   Stop Codon:      required to include other codons\n"
                        "   Overall:         all of a gene's codons must be good\n"
                        "   Alternative CDS: not allowed\n"
                        "   Premature Stop:  not allowed\n"
                        "\n"
                        "Analysis of Noncoding Sequence: separate flanking and core introns\n"),
              std::string::npos)
        << text;
}

TEST_F(ReferenceFiles, FileThatCannotBeOpenedAgainCopiesNothing) {
    RunSettings settings = allOff();
    settings.rscuTableUsed = 1;
    settings.rscuFileName = (dir / "gone.scu").string();
    settings.minimumRscu = 0.01;
    EXPECT_NE(header(settings).find("RSCU file for CAI:          " + settings.rscuFileName +
                                    "\nMinimum RSCU value:         0.01\nOptimal codon file for Fop: none\n"),
              std::string::npos);
}

TEST(OutputHeader, SegmentBlockRelativeToStartAndToStop) {
    RunSettings settings = allOff();
    settings.segmentAnalysis = 1;
    settings.segmentBegin = 1;
    settings.segmentEnd = 10;
    settings.noncodingMode = 0;
    EXPECT_NE(header(settings).find("Analysis of Noncoding Sequence: combine all NC sequence\n"
                                    "SEGMENT ANALYSIS OPTIONS\n"
                                    "Type of Analysis: analyze segment relative to start codon\n"
                                    "  Limits of segment analysis: \n"
                                    "   1 codon(s) dowmstream from start to\n"
                                    "   10 codon(s) dowmstream from start\n"
                                    "\nGene "),
              std::string::npos);
    settings.segmentRelativeToStop = 1;
    settings.segmentBegin = 10;
    settings.segmentEnd = 0;
    EXPECT_NE(header(settings).find("SEGMENT ANALYSIS OPTIONS\n"
                                    "Type of Analysis: analyze segment relative to stop codon\n"
                                    "\n"
                                    "  Limits of segment analysis: \n"
                                    "   10 codon(s) upstream from stop to\n"
                                    "   0 codon(s) upstream from stop\n"
                                    "\nGene "),
              std::string::npos);
}

}  // namespace
}  // namespace kestrel
