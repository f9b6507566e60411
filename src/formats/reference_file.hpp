// Reading the .scu (reference codon counts, CAI weights) and .opt (optimal codon)
// files, which the setup prompts load. Both files hold free text up to the first
// line with a "#", then 64 entries of two words and an integer, in the order of a codon
// table: first base outermost, then third base, then second base.
#pragma once

#include <array>
#include <cstdint>
#include <istream>

#include "analysis/reference_tables.hpp"

namespace kestrel {

// The 64 values of a reference file, stored by CodonIndex. False (values untouched)
// when there is no line with "#" or 64 whole entries cannot be read after it.
bool readReferenceEntries(std::istream& in, std::array<std::int32_t, 64>& values);

}  // namespace kestrel
