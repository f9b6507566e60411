#include <csignal>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "control/kestrel_arguments.hpp"
#include "control/run_driver.hpp"
#include "tools/batch_runs.hpp"
#include "tools/command_line.hpp"
#include "tools/tool_input.hpp"

namespace {

// --help and --version answer and end, before anything else is looked at.
bool answeredInformation(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--version") std::cout << "kestrel " << KESTREL_VERSION << '\n';
        if (arg == "--help" || arg == "-h") std::cout << kestrel::KestrelUsage;
        if (arg == "--version" || arg == "--help" || arg == "-h") return true;
    }
    return false;
}

// One run of a batch: its arguments are the answers file, read as the console, and the
// command line of the run.
int runFromAnswers(const std::vector<std::string>& args, std::ostream& log) {
    kestrel::InputFile answers;
    const std::string problem = args.empty() ? "no answers file" : kestrel::openToolInput(answers, args[0]);
    const auto code = kestrel::geneticCodeOfArguments({args.begin() + !args.empty(), args.end()});
    if (!problem.empty() || std::holds_alternative<std::string>(code)) {
        log << "kestrel: " << (problem.empty() ? std::get<std::string>(code) : problem) << '\n';
        return problem.empty() ? 2 : 1;
    }
    return kestrel::runKestrel(answers, log, std::get<kestrel::GeneticCode>(code));
}

// kestrel --batch LIST: many analyses in one process, one a line of LIST (see
// tools/batch_runs.hpp), each line's arguments an answers file and the run's command line.
int runBatch(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::cerr << "kestrel: --batch takes one list file and nothing else\n\n" << kestrel::KestrelUsage;
        return 2;
    }
    try {
        return kestrel::runToolBatch(args[1], std::cout, std::cerr, runFromAnswers);
    } catch (const kestrel::ToolFailure& e) {
        std::cerr << "kestrel: " << e.what() << '\n';
        return e.status();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0), argv + argc);
    if (answeredInformation(args)) return 0;
    const auto code = kestrel::geneticCodeOfArguments(args);
    if (const auto* problem = std::get_if<std::string>(&code)) {
        // A wrong command line stops before the dialogue starts.
        std::cerr << "kestrel: " << *problem << "\n\n" << kestrel::KestrelUsage;
        return 2;
    }
    // A console whose reader went away must not end the run: the output file is finished
    // all the same. A file-size limit makes a write fail, which halts the run with a
    // message, rather than killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    if (!args.empty() && args[0] == "--batch") return runBatch(args);
    return kestrel::runKestrel(std::cin, std::cout, std::get<kestrel::GeneticCode>(code));
}
