// kestrel-genome: annotated genomes to lookup tables, references, analyses, tables and figures.
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "kestrel-genome/genome_tool.hpp"

namespace {

// The C library takes its large blocks from transparent huge pages when asked to at start-up
// (GLIBC_TUNABLES): a genome's few large blocks are then faulted in a few hundred times, not a
// few hundred thousand. The program starts itself again once with the request added; should
// that fail, it runs as it is.
void askForHugePages(char** argv) {
    constexpr const char* Tunable = "glibc.malloc.hugetlb=1";
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (std::getenv("KESTREL_GENOME_STARTED") != nullptr || (tunables && std::strstr(tunables, "hugetlb")))
        return;
    const std::string value = tunables && *tunables ? std::string(tunables) + ":" + Tunable : Tunable;
    if (::setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0 || ::setenv("KESTREL_GENOME_STARTED", "1", 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    ::unsetenv("KESTREL_GENOME_STARTED");
    tunables ? ::setenv("GLIBC_TUNABLES", tunables, 1) : ::unsetenv("GLIBC_TUNABLES");
}

}  // namespace

int main(int argc, char** argv) {
    askForHugePages(argv);
    // A genome's results are made of a few large blocks (its sequence, its output file, its tables),
    // made again for each genome of a batch: kept by the process rather than handed back to the
    // system and faulted in again each time.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    return kestrel::runGenomeTool({argv + 1, argv + argc}, std::cout, std::cerr);
}
