#include "tools/output_file_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

class Writer : public InScratchFolder {
protected:
    Writer() : InScratchFolder("kestrel_writer") {}
    static std::string read(const std::string& name) {
        std::ifstream in(name);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Writes text to path; the message when it failed, else empty.
    static std::string write(const std::string& path, const std::string& text, std::ostream& out) {
        OutputFileWriter writer(path, out);
        std::string error;
        if (!writer.open(error)) return error;
        writer.stream() << text;
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
    EXPECT_EQ(write("new.tsv", "one\n", out_), "");
    std::ofstream("old.tsv") << "old\n";
    fs::permissions("old.tsv", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(write("old.tsv", "two\n", out_), "");
    EXPECT_EQ(read("new.tsv") + read("old.tsv"), "one\ntwo\n");
    EXPECT_EQ(fs::status("old.tsv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A write that fails (as on a full disk) leaves the file as it was.
    {
        OutputFileWriter writer("old.tsv", out_);
        std::string error;
        ASSERT_TRUE(writer.open(error));
        writer.stream() << "half";
        writer.stream().setstate(std::ios::badbit);
        EXPECT_FALSE(writer.commit(error));
        EXPECT_EQ(error, "writing old.tsv failed");
    }
    EXPECT_EQ(read("old.tsv"), "two\n");
    expectOnly({"new.tsv", "old.tsv"});
}

TEST_F(Writer, ThroughALinkTheTargetIsReplacedAndTheLinkStays) {
    fs::create_directory("data");
    std::ofstream("data/table.tsv") << "old\n";
    fs::create_symlink("data/table.tsv", "link.tsv");
    fs::create_symlink("data/nothing.tsv", "dangling.tsv");
    EXPECT_EQ(write("link.tsv", "new\n", out_), "");
    EXPECT_TRUE(fs::is_symlink("link.tsv"));
    EXPECT_EQ(read("data/table.tsv"), "new\n");
    EXPECT_EQ(write("dangling.tsv", "x", out_), "dangling.tsv: a symbolic link that leads to no file");
    EXPECT_FALSE(fs::exists("data/nothing.tsv"));
    EXPECT_EQ(write("data", "x", out_), "data: is a folder");
    expectOnly({"data", "dangling.tsv", "link.tsv"});
}

TEST_F(Writer, AnOutputThatIsAnInputIsFoundWhateverItsName) {
    std::ofstream("in.gb") << "x";
    std::ofstream("other.gb") << "y";
    fs::create_symlink("in.gb", "alias.gb");
    fs::create_hard_link("in.gb", "hard.gb");
    for (const char* output : {"in.gb", "./in.gb", "alias.gb", "hard.gb"})
        EXPECT_EQ(inputWrittenOver(output, {"other.gb", "in.gb"}), "in.gb") << output;
    for (const char* output : {"other.gb", "new.gb", "-", ""})
        EXPECT_EQ(inputWrittenOver(output, {"in.gb"}), std::nullopt) << output;
}

}  // namespace
}  // namespace kestrel
