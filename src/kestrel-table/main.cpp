// kestrel-table: tidy tab-separated tables from KESTREL output files.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "kestrel-table/tidy_table.hpp"

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write, which is reported
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kestrel::runTableTool(args, std::cout, std::cerr);
}
