// kestrel-compare: whether two sets of genes of KESTREL output files use codons differently.
#include <iostream>

#include "kestrel-compare/compare_tool.hpp"

int main(int argc, char** argv) { return kestrel::runCompareTool({argv + 1, argv + argc}, std::cout, std::cerr); }
