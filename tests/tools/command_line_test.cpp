#include "tools/command_line.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "test_support.hpp"

namespace kestrel {
namespace {

const ToolDescription Tool{"kestrel-x", "usage: kestrel-x [-o FILE] [-v] INPUT...\n",
                           {{"-o", "--output", true, "a file name"}, {"-v"}}};

// The tool's body echoes the options and operands it got (the working folder for "pwd"),
// or throws what its first operand names.
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
    const struct {
        std::vector<std::string> args;
        int status;
        std::string printed;
    } cases[] = {
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

// Each line of a batch runs in its working folder, with what it prints in its log; a failed
// run does not stop the next, and fails the batch.
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

}  // namespace
}  // namespace kestrel
