// kestrel-genome: annotated genomes to lookup tables, references, analyses, tables and figures.
#include <iostream>

#include "kestrel-genome/genome_tool.hpp"

int main(int argc, char** argv) { return kestrel::runGenomeTool({argv + 1, argv + argc}, std::cout, std::cerr); }
