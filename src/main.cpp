#include <csignal>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "control/kestrel_arguments.hpp"
#include "control/run_driver.hpp"

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
    return kestrel::runKestrel(std::cin, std::cout, std::get<kestrel::GeneticCode>(code));
}
