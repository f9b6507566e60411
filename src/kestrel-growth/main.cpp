// kestrel-growth: a genome's minimal doubling time predicted from its codon usage.
#include <iostream>

#include "kestrel-growth/growth_tool.hpp"

int main(int argc, char** argv) { return kestrel::runGrowthTool({argv + 1, argv + argc}, std::cout, std::cerr); }
