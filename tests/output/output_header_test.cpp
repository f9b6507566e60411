#include "output/output_header.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrel {
namespace {

const std::string FixedPieces =
    "Gene                           File                                     Contig "
    "First     Last      Strand  noStart noStop preStop Alt DegenCdns MetTrp BadCdns "
    "ENC   Chi_L ChiSc Fop   CAI   Start Stop Int AltFirst  AltLast   UpSBG    DownSBG  ";

RunSettings allOff() {
    RunSettings settings;
    settings.noncodingMode = 2;
    return settings;
}

TEST(ColumnHeader, AllOptionsOffAndEachNoncodingMode) {
    RunSettings settings = allOff();
    EXPECT_EQ(columnHeaderLine(settings),
              FixedPieces + "UpBases BadUp GC_up  CoBases BadCo GC_co  DnBases BadDn GC_dn  "
                            "GC1    GC2    GC3    \n");
    settings.noncodingMode = 0;
    EXPECT_EQ(columnHeaderLine(settings), FixedPieces + "NCBases BadNC GC_nc  GC1    GC2    GC3    \n");
    settings.noncodingMode = 1;
    settings.reportBaseUsage = 1;
    EXPECT_EQ(columnHeaderLine(settings),
              FixedPieces + "CoBases BadCo A_co   G_co   C_co   T_co   GC_co  "
                            "FlBases BadFl A fl   G_fl   C_fl   T_fl   GC_fl  "
                            "A1     G1     C1     T1     GC1    A2     G2     C2     T2     GC2    "
                            "A3     G3     C3     T3     GC3    \n");
}

TEST(ColumnHeader, AllOptionsOn) {
    RunSettings settings = allOff();
    settings.reportBaseUsage = settings.degeneracyBreakdown = 1;
    settings.codonUsageOutput = settings.segmentAnalysis = 1;
    const std::string line = columnHeaderLine(settings);
    // 242 fixed, 3 noncoding groups of 49, 3 positions and 9 degeneracy groups of 35,
    // 21 * 6 + 1 + 64 * 7 + 64 * 9 codon-usage labels, 174 segment labels, the newline.
    EXPECT_EQ(line.size(), 242u + 147 + 105 + 315 + 1151 + 174 + 1);
    EXPECT_EQ(line.find("GC3    A1_2   G1_2   C1_2   T1_2   GC1_2  A2_2   "), 487u);
    EXPECT_EQ(line.find("GC3_4  A1_6   G1_6   C1_6   T1_6   GC1_6  "), 697u);
    EXPECT_EQ(line.find("GC3_6  Ala_A Arg_R Asn_N "), 802u);
    EXPECT_EQ(line.find("Val_V STP_x  GCA_A  GCG_A  GCC_A  GCT_A  AGA_R  AGG_R  CGA_R  "), 923u);
    EXPECT_NE(line.find("ATA_I  ATC_I  ATT_I  CTA_L  CTG_L  CTC_L  CTT_L  TTA_L  TTG_L  AAA_K  "),
              std::string::npos);
    EXPECT_EQ(line.find("GTT_V  TAA_x  TAG_x  TGA_x  N_GCA_A  "), 1356u);
    EXPECT_EQ(line.substr(line.size() - 184),
              "N_TGA_x  SegUse Pref_Codon_usage A1_usage  G1_usage  C1_usage  T1_usage  GC1_usage "
              "A2_usage  G2_usage  C2_usage  T2_usage  GC2_usage A3_usage  G3_usage  C3_usage  "
              "T3_usage  GC3_usage \n");
}

TEST(OutputHeader, ReferenceFilesCopiedAsTheyStandOrNotAtAll) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kestrel_header_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    RunSettings settings = allOff();
    settings.rscuTableUsed = settings.preferredCodonListUsed = 1;
    settings.rscuFileName = (dir / "ref.scu").string();
    settings.preferredCodonFileName = (dir / "gone.opt").string();
    settings.minimumRscu = 0.125;
    // A carriage return stays; a last line without its newline is not copied.
    std::ofstream(settings.rscuFileName, std::ios::binary) << "highly expressed\r\n#\n12 AAA\nunterminated";
    std::ostringstream out;
    writeOutputHeader(out, settings);
    std::filesystem::remove_all(dir);
    EXPECT_NE(out.str().find("RSCU file for CAI:          " + settings.rscuFileName +
                             "\nhighly expressed\r\n#\n12 AAA\nMinimum RSCU value:         0.125\n"
                             "\nOptimal codon file for Fop: " + settings.preferredCodonFileName +
                             "\n\nInclusion of gene in cumulative data:\n"),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace kestrel
