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
