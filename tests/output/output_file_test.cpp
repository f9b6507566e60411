#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "output/output_file.hpp"
#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

class OutputFileTest : public InScratchFolder {
protected:
    OutputFileTest() : InScratchFolder("kestrel_output_file") {}
};

TEST_F(OutputFileTest, ACreatedFileIsWrittenThroughItsOwnDescriptorNeverByName) {
    OutputFile file;
    ASSERT_TRUE(file.create("run.kstl"));
    std::ofstream("run.kstl") << "left by someone else\n";
    // Between the prompt and the first gene the name is made to point elsewhere.
    std::ofstream("victim") << "keep me\n";
    std::filesystem::rename("run.kstl", "moved.kstl");
    std::filesystem::create_symlink("victim", "run.kstl");
    ASSERT_TRUE(file.startWriting());
    file.stream() << "rows\n";
    EXPECT_TRUE(file.close());
    EXPECT_EQ(contents("victim"), "keep me\n");
    EXPECT_EQ(contents("moved.kstl"), "rows\n");  // emptied first, then written
}

TEST_F(OutputFileTest, NothingThatExistsIsCreatedOver) {
    std::ofstream("taken.kstl") << "x";
    std::filesystem::create_symlink("nowhere", "dangling.kstl");
    std::filesystem::create_directory("folder.kstl");
    OutputFile file;
    for (const char* name : {"taken.kstl", "dangling.kstl", "folder.kstl"}) EXPECT_FALSE(file.create(name)) << name;
    EXPECT_FALSE(file.create(std::string("a\0b.kstl", 8)));
    EXPECT_FALSE(std::filesystem::exists("nowhere"));
    EXPECT_FALSE(std::filesystem::exists("a"));
    EXPECT_FALSE(file.startWriting());
}

}  // namespace
}  // namespace kestrel
