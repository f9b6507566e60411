// What the companion tools share besides their files: the reading of the command line,
// --help and --version, one style of error message ("kestrel-NAME: message" on standard
// error) and the exit statuses.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

enum ExitStatus : int {
    ExitSuccess = 0,
    ExitBadData = 1,  // an input that cannot be read or used, an output that cannot be written
    ExitUsage = 2,    // a wrong command line
};

// Ends a tool with a message and an exit status.
class ToolFailure : public std::runtime_error {
public:
    ToolFailure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// A wrong command line: the message is followed by the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionDescription {
    std::string_view name;        // "-o", "--summary"
    std::string_view alias = {};  // another name for it ("--threads" for "-j"), or none
    bool takesValue = false;
    std::string_view valueName = "a value";  // what it takes, for the message when it is missing
};

struct ToolDescription {
    std::string_view name;   // "kestrel-table"
    std::string_view usage;  // the --help text
    std::vector<OptionDescription> options;
};

// The options given, in order, under their names (aliases resolved), and the operands.
// "--" ends the options; "-" alone is an operand. --help (or -h) and --version end the
// reading where they stand.
struct CommandLine {
    std::vector<std::pair<std::string, std::string>> options;  // name and value ("" for a flag)
    std::vector<std::string> operands;
    bool help = false;
    bool version = false;

    bool has(std::string_view name) const;
    std::optional<std::string> value(std::string_view name) const;  // the last one given
    std::vector<std::string> values(std::string_view name) const;   // all, in order
};

CommandLine parseCommandLine(const ToolDescription& tool, const std::vector<std::string>& args);

using ToolBody = std::function<int(const CommandLine&, std::ostream& out, std::ostream& err)>;

// Runs a tool's body on its parsed command line (args without the program name), with
// the streams it writes to. --help or -h writes the usage to out and --version
// "NAME VERSION", both with status 0; a UsageError, a ToolFailure or any other exception
// from the body ends the tool with its message (status 2, the failure's own, 1).
// "--batch LIST" alone runs the tool once for each line of LIST (tools/batch_runs.hpp),
// each run writing to its own log.
int runTool(const ToolDescription& tool, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ToolBody& body);

// The version of the programs, as CMake sets it.
std::string_view toolVersion();

}  // namespace kestrel
