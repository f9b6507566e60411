// kestrel-reference: writes .scu and .opt reference files from a genome's own genes.
#include <iostream>

#include "kestrel-reference/reference_tool.hpp"

int main(int argc, char** argv) { return kestrel::runReferenceTool({argv + 1, argv + argc}, std::cout, std::cerr); }
