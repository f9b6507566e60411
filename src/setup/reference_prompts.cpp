#include "setup/reference_prompts.hpp"

#include <array>
#include <cstdint>
#include <string>

#include "analysis/cai_weights.hpp"
#include "formats/reference_file.hpp"
#include "analysis/run_settings.hpp"
#include "formats/regular_file.hpp"
#include "setup/console.hpp"
#include "setup/file_prompts.hpp"

namespace kestrel {

namespace {

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
        InputFile in;
        const bool usable = !hasControlCharacter(name);
        const OpenStatus status = usable ? in.open(name) : OpenStatus::CannotOpen;
        if (status != OpenStatus::Opened) {
            console.writeLine("\aPROBLEM OPENING THE FILE " + shownName(name) + ".");
            console.writeLine(usable ? openProblemText(status) : nameProblemText());
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

void loadRscuTable(Console& console, RunSettings& settings, ReferenceTables& references) {
    references.referenceCounts =
        promptAndRead(console, "\nPrefix for name of *.scu file (RSCU table):  ", ".scu", settings.rscuFileName);
    computeCaiWeights(references.referenceCounts, settings.geneticCode, references.caiWeights);
}

void loadOptimalCodons(Console& console, RunSettings& settings, ReferenceTables& references) {
    references.optimalCodonFlags = promptAndRead(console, "\nPrefix for name of *.opt file (preferred codons):  ",
                                                 ".opt", settings.preferredCodonFileName);
}

}  // namespace kestrel
