// kestrel-coa: correspondence analysis of the codon usage of the genes of KESTREL output files.
#include <iostream>

#include "kestrel-coa/coa_tool.hpp"

int main(int argc, char** argv) { return kestrel::runCoaTool({argv + 1, argv + argc}, std::cout, std::cerr); }
