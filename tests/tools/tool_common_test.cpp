// The code every companion tool shares: its command line and its output files.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "test_support.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"

namespace kestrel {
namespace {

const ToolDescription Tool{"kestrel-x", "usage: kestrel-x [-o FILE] [-v] INPUT...\n",
                           {{"-o", "--output", true, "a file name"}, {"-v"}}};

// Echoes the options and operands it got (the working folder for "pwd"), or throws what the first one names.
int echo(const CommandLine& line, std::ostream& out, std::ostream&) {
    if (!line.operands.empty() && line.operands[0] == "usage") throw UsageError("no good");
    if (!line.operands.empty() && line.operands[0] == "data") throw ToolFailure(ExitBadData, "bad data");
    for (const auto& [name, value] : line.options) out << name << "=" << value << " ";
    for (const auto& operand : line.operands)
        out << "[" << (operand == "pwd" ? std::filesystem::current_path().filename().string() : operand) << "]";
    return ExitSuccess;
}

std::string run(const std::vector<std::string>& args, int& status) {
    std::ostringstream out, err;
    status = runTool(Tool, args, out, err, echo);
    return out.str() + err.str();
}

TEST(CommandLine, OptionsOperandsHelpVersionAndErrors) {
    const struct { std::vector<std::string> args; int status; std::string printed; } cases[] = {
        {{"-v", "--output", "t.tsv", "a", "-", "-o", "u"}, 0, "-v= -o=t.tsv -o=u [a][-]"},
        {{"--", "-v", "--help"}, 0, "[-v][--help]"},
        {{"a", "-h", "--bogus"}, 0, "usage: kestrel-x [-o FILE] [-v] INPUT...\n"},
        {{"--version"}, 0, "kestrel-x " + std::string(toolVersion()) + "\n"},
        {{"a", "--bogus", "--help"}, 2, "kestrel-x: unknown option --bogus\nusage: kestrel-x [-o FILE] [-v] INPUT...\n"},
        {{"a", "-o"}, 2, "kestrel-x: -o needs a file name\nusage: kestrel-x [-o FILE] [-v] INPUT...\n"},
        {{"usage"}, 2, "kestrel-x: no good\nusage: kestrel-x [-o FILE] [-v] INPUT...\n"},
        {{"data"}, 1, "kestrel-x: bad data\n"},
    };
    for (const auto& c : cases) {
        int status = -1;
        EXPECT_EQ(run(c.args, status), c.printed);
        EXPECT_EQ(status, c.status) << c.printed;
    }
    EXPECT_FALSE(toolVersion().empty());
}

// A failed line of a batch does not stop the next, and fails the batch.
class BatchRuns : public InScratchFolder {};

TEST_F(BatchRuns, EachLineRunsInItsFolderIntoItsLog) {
    std::filesystem::create_directory("sub");
    writeFile("list", "a.log\t\t-v\tx\n\nb.log\tsub\tpwd\nc.log\t\tdata\nd.log\tnone\tx\ne.log\t\t--batch\tlist\n");
    int status = -1;
    EXPECT_EQ(run({"--batch", "list"}, status), "0\ta.log\n0\tb.log\n1\tc.log\n1\td.log\n2\te.log\n");
    EXPECT_EQ(status, ExitBadData);
    EXPECT_EQ(readFile("a.log"), "-v= [x]");
    EXPECT_EQ(readFile("b.log"), "[sub]");
    EXPECT_EQ(readFile("c.log"), "kestrel-x: bad data\n");
    EXPECT_EQ(readFile("d.log"), "none: cannot be entered as working folder (No such file or directory)\n");
    EXPECT_EQ(readFile("e.log").rfind("kestrel-x: --batch is not taken inside a batch\n", 0), 0u);
    // A line without a log stops the batch before any run.
    writeFile("list", "f.log\t\tx\n\tx\n");
    EXPECT_EQ(run({"--batch", "list"}, status), "kestrel-x: list, line 2: no log file before the first tab\n");
    EXPECT_EQ(status, ExitBadData);
    EXPECT_FALSE(std::filesystem::exists("f.log"));
    EXPECT_EQ(run({"--batch", "list", "x"}, status).rfind("kestrel-x: --batch takes one list file", 0), 0u);
    EXPECT_EQ(status, ExitUsage);
}

namespace fs = std::filesystem;

class Writer : public InScratchFolder {
protected:
    // Writes text to path: the message when it failed, else empty. A bad stream stands for a full disk.
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

// Several files committed as one: all are replaced, or none.
class WriterGroup : public Writer {
protected:
    // Writes "new A" to a.tsv and "new B" to b.tsv as a group; before the commit, b's
    // temporary file is removed when breakRename is set (its rename then fails), and b's
    // stream goes bad when failWrite is set (a full disk).
    std::string writeBoth(bool breakRename, bool failWrite = false) {
        OutputFileWriter a("a.tsv", out_), b("b.tsv", out_);
        std::string error;
        if (!a.open(error) || !b.open(error)) return error;
        a.stream() << "new A";
        b.stream() << "new B";
        if (failWrite) b.stream().setstate(std::ios::badbit);
        if (breakRename)
            for (const auto& entry : fs::directory_iterator("."))
                if (entry.path().filename().string().starts_with("b.tsv.part")) fs::remove(entry.path());
        return commitTogether({&a, nullptr, &b}, error) ? "" : error;
    }
};

TEST_F(WriterGroup, AllFilesAreReplacedOrNone) {
    writeFile("a.tsv", "old A");
    writeFile("b.tsv", "old B");
    fs::create_hard_link("a.tsv", "a-link.tsv");  // a file replaced keeps no tie to its old links
    EXPECT_EQ(writeBoth(false, true), "writing b.tsv failed");
    EXPECT_EQ(readFile("a.tsv"), "old A");
    EXPECT_EQ(readFile("b.tsv"), "old B");
    // a.tsv is renamed into place, then b's rename fails: a.tsv gets its old file back.
    EXPECT_EQ(writeBoth(true).rfind("cannot rename the finished file to b.tsv: No such file or directory; every "
                                    "file was left as it was", 0), 0u);
    EXPECT_EQ(readFile("a.tsv"), "old A");
    EXPECT_EQ(readFile("b.tsv"), "old B");
    expectOnly({"a.tsv", "b.tsv", "a-link.tsv"});
    EXPECT_EQ(writeBoth(false), "");
    EXPECT_EQ(readFile("a.tsv"), "new A");
    EXPECT_EQ(readFile("b.tsv"), "new B");
    EXPECT_EQ(readFile("a-link.tsv"), "old A");
    expectOnly({"a.tsv", "b.tsv", "a-link.tsv"});
}

TEST_F(WriterGroup, AFileThatDidNotExistIsRemovedAgainWhenTheGroupFails) {
    writeFile("b.tsv", "old B");
    EXPECT_NE(writeBoth(true), "");
    expectOnly({"b.tsv"});
    EXPECT_EQ(readFile("b.tsv"), "old B");
}

TEST_F(WriterGroup, TwoNamesOfOneFileAreOneDestination) {
    fs::create_directory("d");
    fs::create_directory_symlink("d", "d-link");
    writeFile("d/old.tsv", "x");
    EXPECT_TRUE(sameDestination("d/new.tsv", "./d-link/new.tsv"));
    EXPECT_TRUE(sameDestination("d/old.tsv", "d-link/old.tsv"));
    fs::create_symlink("old.tsv", "d/link.tsv");
    fs::create_hard_link("d/old.tsv", "d/hard.tsv");
    EXPECT_TRUE(sameDestination("d/link.tsv", "d/old.tsv"));
    EXPECT_FALSE(sameDestination("d/hard.tsv", "d/old.tsv"));
    EXPECT_FALSE(sameDestination("d/new.tsv", "new.tsv"));
    EXPECT_FALSE(sameDestination("-", "-"));
    // Committed together, the second would replace the first: the group is refused, nothing written.
    OutputFileWriter a("d/new.tsv", out_), b("d-link/new.tsv", out_);
    std::string error;
    ASSERT_TRUE(a.open(error) && b.open(error));
    EXPECT_FALSE(commitTogether({&a, &b}, error));
    EXPECT_EQ(error, "d-link/new.tsv and d/new.tsv are one file");
    EXPECT_FALSE(fs::exists("d/new.tsv"));
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
