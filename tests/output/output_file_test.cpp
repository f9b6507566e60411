#include "output/output_file.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "output/output_header.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

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
