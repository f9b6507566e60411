// The console program's command line. Its one option chooses the genetic code (--help and
// --version aside); any other argument is ignored, as the program has always ignored its
// arguments.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "analysis/genetic_code.hpp"

namespace kestrel {

inline constexpr const char* KestrelUsage =
    "usage: kestrel [--genetic-code N]\n"
    "       kestrel --help | --version\n"
    "       kestrel --batch LIST\n"
    "\n"
    "  -g N, --genetic-code N  read the genes with NCBI translation table N: 1 to 6, 9 to 16\n"
    "                          or 21 to 33 (without it, the standard code, 1)\n"
    "  -h, --help              print this usage and end\n"
    "  --version               print the version and end\n"
    "  --batch LIST            run the analyses LIST names in one process (see kestrel(1))\n"
    "\n"
    "The lookup table, the output file and every option are asked for on the console;\n"
    "see kestrel(1).\n";

// The genetic code the arguments name (the standard code when they name none), or what is
// wrong with them: the option without a number, a number that is no NCBI table, the
// option given twice.
std::variant<GeneticCode, std::string> geneticCodeOfArguments(const std::vector<std::string>& args);

}  // namespace kestrel
