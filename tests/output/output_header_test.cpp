#include "output/output_header.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "test_support.hpp"

namespace kestrel {
namespace {

class OutputHeader : public InScratchFolder {};

TEST_F(OutputHeader, ReferenceFilesAreCopiedAsTheyStandOrNotAtAll) {
    RunSettings settings;
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
