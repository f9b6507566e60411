#include "setup/file_prompts.hpp"

#include <string>

#include "analysis/run_settings.hpp"
#include "formats/regular_file.hpp"
#include "output/output_file.hpp"
#include "setup/console.hpp"

namespace kestrel {

bool isWholeNumber(std::string_view word) {
    if (word.empty()) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    return true;
}

bool isDecimalNumber(std::string_view word) {
    if (word.empty()) return false;
    int points = 0;
    for (char c : word) {
        if (c == '.') {
            if (++points > 1) return false;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

}  // namespace

bool hasControlCharacter(std::string_view name) {
    for (const char c : name)
        if (isControl(c)) return true;
    return false;
}

std::string shownName(std::string_view name) {
    std::string shown(name);
    for (char& c : shown)
        if (isControl(c)) c = '?';
    return shown;
}

const char* nameProblemText() { return "ITS NAME HOLDS A CONTROL CHARACTER."; }

const char* openProblemText(OpenStatus status) {
    return status == OpenStatus::NotRegular ? "IT IS NOT A REGULAR FILE (BUT A FIFO, DEVICE, SOCKET OR FOLDER)."
                                            : "THE FILE MAY NOT EXIST.";
}

namespace {

// Why the lookup table cannot be read, as a line for the console; nullptr when it opens.
const char* lookupProblem(const std::string& name) {
    if (hasControlCharacter(name)) return nameProblemText();
    const OpenStatus status = probeRegularFile(name);
    return status == OpenStatus::Opened ? nullptr : openProblemText(status);
}

}  // namespace

void promptLookupFile(Console& console, RunSettings& settings) {
    for (;;) {
        console.write("Name of input file (lookup table): ");
        settings.lookupFileName = console.readWord();
        const char* problem = lookupProblem(settings.lookupFileName);
        if (problem == nullptr) return;
        console.writeLine("\aPROBLEM OPENING THE FILE " + shownName(settings.lookupFileName) + ".");
        console.writeLine(problem);
        console.writeLine("TYPE Q <enter> TO QUIT");
        console.write("OR TYPE C <enter> TO CONTINUE.> ");
        console.readChoice("C");
        console.writeLine("\n");
    }
}

void promptOutputFile(Console& console, RunSettings& settings, OutputFile& output) {
    for (;;) {
        console.write("\nName of output file (.kstl suffix added): ");
        settings.outputFileName = console.readWord() + ".kstl";
        if (hasControlCharacter(settings.outputFileName)) {
            console.writeLine("\aTHE NAME " + shownName(settings.outputFileName) + " HOLDS A CONTROL CHARACTER.");
        } else if (output.create(settings.outputFileName)) {
            return;
        } else {
            console.writeLine("\aTHE FILE " + settings.outputFileName + " MAY ALREADY EXIST.");
        }
        console.writeLine("TYPE Q <enter> TO QUIT ");
        console.write("OR N <enter> FOR NEW FILENAME.> ");
        console.readChoice("N");
    }
}

}  // namespace kestrel
