#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "control/halt.hpp"
#include "output/output_file.hpp"
#include "scratch_path.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

TEST(OutputFile, AFileThatCannotBeWrittenOrAFailedWriteHaltsTheRun) {
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

    // The same file object opens again after the failure, and a failed write (what a full
    // disk leaves behind) is not taken for success.
    const std::string name = folder + ".kstl";
    ASSERT_TRUE(file.openTruncating(name));
    EXPECT_NO_THROW(requireWritten(file, name, console));
    file.stream().setstate(std::ios::badbit);
    EXPECT_THROW(requireWritten(file, name, console), RunHalted);
    file.close();
    std::filesystem::remove(name);
}

}  // namespace
}  // namespace kestrel
