#include "setup/file_prompts.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "control/run_settings.hpp"
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

// A file opens for reading when it exists, is not a folder and can be read; nothing is created.
bool opensForReading(const std::string& name) {
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) return false;
    std::ifstream probe(name, std::ios::in | std::ios::binary);
    return probe.is_open();
}

// One exclusive create: a file that already exists is never truncated, not even one that
// appears between a check and the creation.
bool createNewEmptyFile(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "wx");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

}  // namespace

void promptLookupFile(Console& console, RunSettings& settings) {
    for (;;) {
        console.write("Name of input file (lookup table): ");
        settings.lookupFileName = console.readWord();
        if (opensForReading(settings.lookupFileName)) return;
        console.writeLine("\aPROBLEM OPENING THE FILE " + settings.lookupFileName + ".");
        console.writeLine("THE FILE MAY NOT EXIST.");
        console.writeLine("TYPE Q <enter> TO QUIT");
        console.write("OR TYPE C <enter> TO CONTINUE.> ");
        console.readChoice("C");
        console.writeLine("\n");
    }
}

void promptOutputFile(Console& console, RunSettings& settings) {
    for (;;) {
        console.write("\nName of output file (.kstl suffix added): ");
        settings.outputFileName = console.readWord() + ".kstl";
        if (createNewEmptyFile(settings.outputFileName)) return;
        console.writeLine("\aTHE FILE " + settings.outputFileName + " MAY ALREADY EXIST.");
        console.writeLine("TYPE Q <enter> TO QUIT ");
        console.write("OR N <enter> FOR NEW FILENAME.> ");
        console.readChoice("N");
    }
}

}  // namespace kestrel
