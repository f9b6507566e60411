#include <csignal>
#include <iostream>
#include <string_view>

#include "control/run_driver.hpp"

namespace {

constexpr std::string_view Usage =
    "usage: kestrel [--help | --version]\n"
    "\n"
    "The lookup table, the output file and every option are asked for on the console;\n"
    "pipe a file of answers to standard input to run without typing (see kestrel(1)).\n";

// --help and --version answer and end; any other argument is ignored, as the program has
// always ignored its arguments.
bool answeredInformation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") std::cout << "kestrel " << KESTREL_VERSION << '\n';
        if (arg == "--help" || arg == "-h") std::cout << Usage;
        if (arg == "--version" || arg == "--help" || arg == "-h") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredInformation(argc, argv)) return 0;
    // A console whose reader went away must not end the run: the output file is finished
    // all the same. A file-size limit makes a write fail, which halts the run with a
    // message, rather than killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    return kestrel::runKestrel(std::cin, std::cout);
}
