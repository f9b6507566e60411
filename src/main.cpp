#include <csignal>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "control/kestrel_arguments.hpp"
#include "control/run_driver.hpp"

int main(int argc, char** argv) {
    const auto code = kestrel::geneticCodeOfArguments(std::vector<std::string>(argv + (argc > 0), argv + argc));
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
