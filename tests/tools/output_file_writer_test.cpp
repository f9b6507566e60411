#include "tools/output_file_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "test_support.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

class Writer : public InScratchFolder {
protected:
    // Writes text to path; the message when it failed, else empty. A bad stream stands for a
    // write that failed, as on a full disk.
    std::string write(const std::string& path, const std::string& text, bool fail = false) {
        OutputFileWriter writer(path, out_);
        std::string error;
        if (!writer.open(error)) return error;
        writer.stream() << text;
        if (fail) writer.stream().setstate(std::ios::badbit);
        return writer.commit(error) ? "" : error;
    }
    // Only the names given remain in the folder: no temporary file is left behind.
    static void expectOnly(std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(".")) found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(found, names);
    }
    std::ostringstream out_;
};

TEST_F(Writer, RegularFilesAreReplacedWholeKeepingTheirPermissions) {
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    writeFile("old.tsv", "old\n");
    fs::permissions("old.tsv", mode);
    EXPECT_EQ(write("old.tsv", "two\n"), "");
    EXPECT_EQ(fs::status("old.tsv").permissions() & fs::perms::all, mode);
    EXPECT_EQ(write("old.tsv", "half", true), "writing old.tsv failed");
    EXPECT_EQ(readFile("old.tsv"), "two\n");  // a failed write leaves the file as it was

    // Links, FIFOs, devices and standard output: see the tools' hostile test.
    fs::create_directory("data");
    EXPECT_EQ(write("data", "x"), "data: is a folder");
    fs::create_symlink("nowhere.tsv", "dangling.tsv");
    EXPECT_EQ(write("dangling.tsv", "x"), "dangling.tsv: a symbolic link that leads to no file");
    expectOnly({"old.tsv", "data", "dangling.tsv"});
}

TEST_F(Writer, AnOutputThatIsAnInputIsFoundWhateverItsName) {
    writeFile("in.gb", "x");
    writeFile("other.gb", "y");
    fs::create_symlink("in.gb", "alias.gb");
    fs::create_hard_link("in.gb", "hard.gb");
    for (const char* output : {"in.gb", "./in.gb", "alias.gb", "hard.gb"})
        EXPECT_EQ(inputWrittenOver(output, {"other.gb", "in.gb"}), "in.gb") << output;
    for (const char* output : {"other.gb", "new.gb", "-", ""})
        EXPECT_EQ(inputWrittenOver(output, {"in.gb"}), std::nullopt) << output;
}

}  // namespace
}  // namespace kestrel
