// kestrel-table: tidy tab-separated tables from KESTREL output files.
#include <iostream>

#include "kestrel-table/tidy_table.hpp"

int main(int argc, char** argv) { return kestrel::runTableTool({argv + 1, argv + argc}, std::cout, std::cerr); }
