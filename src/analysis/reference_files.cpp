#include "analysis/reference_files.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "analysis/genetic_code.hpp"
#include "control/run_settings.hpp"
#include "setup/console.hpp"

namespace kestrel {

namespace {

// A whole token that is a signed 32-bit integer.
bool parseInteger(const std::string& token, std::int32_t& value) {
    if (token.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(token.c_str(), &end, 10);
    if (errno != 0 || end != token.c_str() + token.size() || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

// Entry e of the file is the codon with first base e/16, third base (e/4) mod 4 and
// second base e mod 4.
constexpr int codonOfEntry(int e) { return CodonIndex(e / 16, e % 4, (e / 4) % 4); }

void askQuitOrContinue(Console& console) {
    console.writeLine("TYPE Q <enter> TO QUIT.");
    console.write("OR TYPE C <enter> TO CONTINUE.> ");
    console.readChoice("C");
    console.writeLine("\n");
}

// Prompts for a prefix until a file of that name opens and reads; returns its values.
std::array<std::int32_t, 64> promptAndRead(Console& console, const char* prompt, const char* suffix,
                                           std::string& name) {
    for (;;) {
        console.write(prompt);
        name = console.readWord() + suffix;
        std::error_code error;
        std::ifstream in;
        if (!std::filesystem::is_directory(name, error)) in.open(name, std::ios::in | std::ios::binary);
        if (!in.is_open()) {
            console.writeLine("\aPROBLEM OPENING THE FILE " + name + ".");
            console.writeLine("THE FILE MAY NOT EXIST.");
            askQuitOrContinue(console);
            continue;
        }
        std::array<std::int32_t, 64> values{};
        if (readReferenceEntries(in, values)) return values;
        console.writeLine("\aPROBLEM READING THE FILE " + name + ".");
        console.writeLine("IT NEEDS A LINE WITH # FOLLOWED BY 64 CODON ENTRIES.");
        askQuitOrContinue(console);
    }
}

}  // namespace

bool readReferenceEntries(std::istream& in, std::array<std::int32_t, 64>& values) {
    std::string line;
    bool header = false;
    while (std::getline(in, line))
        if (line.find('#') != std::string::npos) {
            header = true;
            break;
        }
    if (!header) return false;
    std::array<std::int32_t, 64> read{};
    std::string codon, aminoAcid, number;
    for (int e = 0; e < 64; ++e) {
        std::int32_t value = 0;
        if (!(in >> codon >> aminoAcid >> number) || !parseInteger(number, value)) return false;
        read[static_cast<std::size_t>(codonOfEntry(e))] = value;
    }
    values = read;
    return true;
}

void computeCaiWeights(const ReferenceCounts& counts, CaiWeights& weights) {
    for (int aa = 0; aa < Stp; ++aa) {
        if (!isSynonymousFamily(aa)) continue;
        std::int32_t most = 0;
        for (int c = 0; c < 64; ++c)
            if (GeneticCode[c] == aa) most = std::max(most, counts[c]);
        for (int c = 0; c < 64; ++c)
            if (GeneticCode[c] == aa) weights[c] = static_cast<double>(counts[c]) / static_cast<double>(most);
    }
}

void loadRscuTable(Console& console, RunSettings& settings, ReferenceTables& references) {
    references.referenceCounts =
        promptAndRead(console, "\nPrefix for name of *.scu file (RSCU table):  ", ".scu", settings.rscuFileName);
    computeCaiWeights(references.referenceCounts, references.caiWeights);
}

void loadOptimalCodons(Console& console, RunSettings& settings, ReferenceTables& references) {
    references.optimalCodonFlags = promptAndRead(console, "\nPrefix for name of *.opt file (preferred codons):  ",
                                                 ".opt", settings.preferredCodonFileName);
}

}  // namespace kestrel
