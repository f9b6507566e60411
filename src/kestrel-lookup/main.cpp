// kestrel-lookup: writes a lookup table for the CDS features of annotated GenBank files.
#include <iostream>

#include "kestrel-lookup/lookup_tool.hpp"

int main(int argc, char** argv) { return kestrel::runLookupTool({argv + 1, argv + argc}, std::cout, std::cerr); }
