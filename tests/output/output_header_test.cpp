#include "formats/kstl_format.hpp"
#include "output/output_header.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

TEST(ColumnHeader, AllNoncodingSequenceCombined) {
    RunSettings settings;
    EXPECT_EQ(kstl::columnHeaderLine(settings),
              "Gene                           File                                     Contig "
              "First     Last      Strand  noStart noStop preStop Alt DegenCdns MetTrp BadCdns "
              "ENC   Chi_L ChiSc Fop   CAI   Start Stop Int AltFirst  AltLast   UpSBG    DownSBG  "
              "NCBases BadNC GC_nc  GC1    GC2    GC3    \n");
}

TEST(OutputHeader, ReferenceFilesCopiedAsTheyStandOrNotAtAll) {
    RunSettings settings;
    settings.rscuTableUsed = settings.preferredCodonListUsed = 1;
    settings.rscuFileName = scratchPath("ref").string() + ".scu";
    settings.preferredCodonFileName = scratchPath("gone").string() + ".opt";
    settings.minimumRscu = 0.125;
    // A carriage return stays; a last line without its newline is not copied.
    std::ofstream(settings.rscuFileName, std::ios::binary) << "highly expressed\r\n#\n12 AAA\nunterminated";
    std::ostringstream out;
    writeOutputHeader(out, settings);
    std::filesystem::remove(settings.rscuFileName);
    EXPECT_NE(out.str().find("RSCU file for CAI:          " + settings.rscuFileName +
                             "\nhighly expressed\r\n#\n12 AAA\nMinimum RSCU value:         0.125\n"
                             "\nOptimal codon file for Fop: " + settings.preferredCodonFileName +
                             "\n\nInclusion of gene in cumulative data:\n"),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace kestrel
