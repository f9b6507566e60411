// Stand-in until the prompts are written.
#include "setup/file_prompts.hpp"

namespace kestrel {

bool isWholeNumber(std::string_view) { return false; }
bool isDecimalNumber(std::string_view) { return false; }
void promptLookupFile(Console&, RunSettings&) {}
void promptOutputFile(Console&, RunSettings&) {}

}  // namespace kestrel
