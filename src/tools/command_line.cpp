#include "tools/command_line.hpp"

#include <algorithm>
#include <csignal>

#include "tools/batch_runs.hpp"

namespace kestrel {

namespace {

const OptionDescription* findOption(const ToolDescription& tool, std::string_view word) {
    const auto found = std::find_if(tool.options.begin(), tool.options.end(),
                                    [&](const OptionDescription& o) { return o.name == word || o.alias == word; });
    return found == tool.options.end() ? nullptr : &*found;
}

}  // namespace

bool CommandLine::has(std::string_view name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& option) { return option.first == name; });
}

std::optional<std::string> CommandLine::value(std::string_view name) const {
    std::optional<std::string> last;
    for (const auto& [option, value] : options)
        if (option == name) last = value;
    return last;
}

std::vector<std::string> CommandLine::values(std::string_view name) const {
    std::vector<std::string> all;
    for (const auto& [option, value] : options)
        if (option == name) all.push_back(value);
    return all;
}

CommandLine parseCommandLine(const ToolDescription& tool, const std::vector<std::string>& args) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            line.operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h" || arg == "--version") {
            (arg == "--version" ? line.version : line.help) = true;
            return line;
        } else if (const OptionDescription* option = findOption(tool, arg)) {
            if (option->takesValue && i + 1 >= args.size())
                throw UsageError(arg + " needs " + std::string(option->valueName));
            line.options.emplace_back(std::string(option->name), option->takesValue ? args[++i] : std::string());
        } else if (const std::size_t equals = arg.find('=');
                   arg.starts_with("--") && equals != std::string::npos &&
                   (option = findOption(tool, std::string_view(arg).substr(0, equals))) && option->takesValue) {
            // --name=value, for an option that takes a value.
            line.options.emplace_back(std::string(option->name), arg.substr(equals + 1));
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    return line;
}

std::string_view toolVersion() { return KESTREL_VERSION; }

namespace {

int runOnce(const ToolDescription& tool, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ToolBody& body) {
    try {
        if (!args.empty() && args[0] == "--batch") throw UsageError("--batch is not taken inside a batch");
        const CommandLine line = parseCommandLine(tool, args);
        if (line.help) out << tool.usage;
        if (line.version) out << tool.name << ' ' << toolVersion() << '\n';
        if (line.help || line.version) return ExitSuccess;
        return body(line, out, err);
    } catch (const UsageError& e) {
        err << tool.name << ": " << e.what() << '\n' << tool.usage;
        return ExitUsage;
    } catch (const ToolFailure& e) {
        err << tool.name << ": " << e.what() << '\n';
        return e.status();
    } catch (const std::exception& e) {
        err << tool.name << ": " << e.what() << '\n';
        return ExitBadData;
    }
}

}  // namespace

int runTool(const ToolDescription& tool, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ToolBody& body) {
    // A file-size limit makes a write fail, which is reported, rather than killing the tool.
    std::signal(SIGXFSZ, SIG_IGN);
    if (args.empty() || args[0] != "--batch") return runOnce(tool, args, out, err, body);
    if (args.size() != 2) {
        err << tool.name << ": --batch takes one list file and nothing else\n" << tool.usage;
        return ExitUsage;
    }
    try {
        return runToolBatch(args[1], out, err, [&](const std::vector<std::string>& runArgs, std::ostream& log) {
            return runOnce(tool, runArgs, log, log, body);
        });
    } catch (const ToolFailure& e) {
        err << tool.name << ": " << e.what() << '\n';
        return e.status();
    }
}

}  // namespace kestrel
