// The lookup table and output file prompts and the number checks every prompt shares.
#pragma once

#include <string>
#include <string_view>

#include "formats/regular_file.hpp"

namespace kestrel {

class Console;
class OutputFile;
struct RunSettings;

// Not empty and only the digits 0-9.
bool isWholeNumber(std::string_view word);
// Not empty, only digits and at most one decimal point.
bool isDecimalNumber(std::string_view word);

// A name with a control character (a NUL, a tab, ...) is refused at every file prompt:
// it would name another file than the one the console shows.
bool hasControlCharacter(std::string_view name);
// The name as the console shows it, every control character as '?'.
std::string shownName(std::string_view name);
// The console line that gives a control character as the reason for a refused name.
const char* nameProblemText();
// The console line that says why a file did not open.
const char* openProblemText(OpenStatus status);

// Loops until lookupFileName names a regular file that opens for reading (or the user quits).
void promptLookupFile(Console& console, RunSettings& settings);
// Loops until outputFileName (typed name + ".kstl") names a file that did not exist and
// has now been created empty, its descriptor kept by output (or the user quits).
void promptOutputFile(Console& console, RunSettings& settings, OutputFile& output);

}  // namespace kestrel
