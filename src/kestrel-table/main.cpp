// kestrel-table: tidy tab-separated tables from KESTREL output files.
#include <iostream>
#include <string>
#include <vector>

#include "kestrel-table/tidy_table.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kestrel::runTableTool(args, std::cout, std::cerr);
}
