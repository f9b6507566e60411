#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "control/halt.hpp"
#include "output/output_file.hpp"
#include "scratch_path.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

TEST(OutputFile, AFileThatCannotBeWrittenHaltsTheRunWithItsName) {
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    OutputFile file;
    const std::string folder = scratchPath("kestrel_not_a_file").string();
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(file.openTruncating(folder));
    EXPECT_THROW(requireWritten(file, folder, console), RunHalted);
    EXPECT_EQ(out.str(), "\aPROBLEM WRITING THE FILE " + folder + ".\nKESTREL halted.\n\n");
    std::filesystem::remove(folder);
}

TEST(OutputFile, AFailedWriteIsNotTakenForSuccess) {
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    OutputFile file;
    const std::string name = scratchPath("kestrel_write_test").string() + ".kstl";
    ASSERT_TRUE(file.openTruncating(name));
    EXPECT_NO_THROW(requireWritten(file, name, console));
    file.stream().setstate(std::ios::badbit);  // what a full disk leaves behind
    EXPECT_THROW(requireWritten(file, name, console), RunHalted);
    file.close();
    std::filesystem::remove(name);
}

TEST(Console, WordsAnswersAndTheEndOfInput) {
    std::istringstream in("  continue\tq\n\nlast");
    std::ostringstream out;
    Console console(in, out);
    EXPECT_EQ(console.readAnswer(), 'C');
    EXPECT_EQ(console.readWord(), "q");
    EXPECT_EQ(console.readWord(), "last");
    EXPECT_THROW(console.readWord(), RunHalted);
    EXPECT_EQ(out.str(), "\a\nEND OF INPUT.\nKESTREL halted.\n\n");
}

}  // namespace
}  // namespace kestrel
