#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "tools/kestrel_command.hpp"

int main(int argc, char** argv) {
    // A console whose reader went away must not end the run: the output file is finished
    // all the same. A file-size limit makes a write fail, which ends the run with a
    // message, rather than killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + (argc > 0), argv + argc);
    return kestrel::runKestrelCommand(args, std::cin, std::cout, std::cerr);
}
