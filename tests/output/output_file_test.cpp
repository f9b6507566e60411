#include "output/output_file.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestrel
