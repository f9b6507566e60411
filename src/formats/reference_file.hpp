// The reference files: .scu (reference codon counts, for the CAI weights) and .opt
// (optimal codons, 1 for optimal). Both hold free text up to the first line with a "#",
// then 64 entries of two words (codon, amino acid) and an integer, in the order of a codon
// table: first base outermost, then third base, then second base.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string_view>

#include "analysis/genetic_code.hpp"

namespace kestrel {

// The codon of entry e (0 to 63): first base e/16, third base (e/4) mod 4, second base e mod 4.
constexpr int referenceEntryCodon(int e) { return CodonIndex(e / 16, e % 4, (e / 4) % 4); }

// The 64 values of a reference file, stored by CodonIndex. False (values untouched)
// when there is no line with "#" or 64 whole entries cannot be read after it.
bool readReferenceEntries(std::istream& in, std::array<std::int32_t, 64>& values);

// Writes a file that readReferenceEntries reads back: the title (free text, lines ended by
// line feeds), a "#" line, then the entries four to a line, each named by its codon and its
// amino acid under the code. False, with nothing written,
// when the title holds a "#" (the entries would be read from the line after it).
bool writeReferenceFile(std::ostream& out, std::string_view title, const std::array<std::int32_t, 64>& values,
                        const GeneticCode& code = StandardCode);

}  // namespace kestrel
