// The lookup table and output file prompts and the number checks every prompt shares.
#pragma once

#include <string_view>

namespace kestrel {

class Console;
struct RunSettings;

// Not empty and only the digits 0-9.
bool isWholeNumber(std::string_view word);
// Not empty, only digits and at most one decimal point.
bool isDecimalNumber(std::string_view word);

// Loops until lookupFileName names a file that opens for reading (or the user quits).
void promptLookupFile(Console& console, RunSettings& settings);
// Loops until outputFileName (typed name + ".kstl") names a file that did not exist and
// has now been created empty (or the user quits).
void promptOutputFile(Console& console, RunSettings& settings);

}  // namespace kestrel
