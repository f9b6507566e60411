#include <csignal>
#include <iostream>

#include "control/run_driver.hpp"

int main() {
    // A console whose reader went away must not end the run: the output file is finished
    // all the same. A file-size limit makes a write fail, which halts the run with a
    // message, rather than killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    return kestrel::runKestrel(std::cin, std::cout);
}
