#include "tools/command_line.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace kestrel {
namespace {

const ToolDescription Tool{"kestrel-x", "usage: kestrel-x [-o FILE] [-v] INPUT...\n",
                           {{"-o", "--output", true, "a file name"}, {"-v"}}};

// Runs the tool; its body echoes the options and operands it got, or throws what its first
// operand names.
std::string run(const std::vector<std::string>& args, int& status) {
    std::ostringstream out, err;
    status = runTool(Tool, args, out, err, [&](const CommandLine& line) {
        if (!line.operands.empty() && line.operands[0] == "usage") throw UsageError("no good");
        if (!line.operands.empty() && line.operands[0] == "data") throw ToolFailure(ExitBadData, "bad data");
        for (const auto& [name, value] : line.options) out << name << "=" << value << " ";
        for (const auto& operand : line.operands) out << "[" << operand << "]";
        return ExitSuccess;
    });
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

}  // namespace
}  // namespace kestrel
