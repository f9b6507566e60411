// kestrel-genome: annotated genomes to lookup tables, references, analyses, tables and figures.
#include <malloc.h>

#include <iostream>

#include "kestrel-genome/genome_tool.hpp"

int main(int argc, char** argv) {
    // A genome's results are made of a few large blocks (its sequence, its output file, its tables),
    // made again for each genome of a batch: kept by the process rather than handed back to the
    // system and faulted in again each time.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    return kestrel::runGenomeTool({argv + 1, argv + argc}, std::cout, std::cerr);
}
