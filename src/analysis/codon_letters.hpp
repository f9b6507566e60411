// Codons as the three letters the files show, and back.
#pragma once

#include <array>
#include <string_view>

#include "analysis/genetic_code.hpp"

namespace kestrel {

// The letters of a codon (0 to 63), ended by a NUL.
constexpr std::array<char, 4> codonLetters(int codon) {
    return {BaseLetters[codon / 16], BaseLetters[(codon / 4) % 4], BaseLetters[codon % 4], '\0'};
}

// The CodonIndex of three letters A, G, C or T (either case); -1 for anything else.
constexpr int codonOfLetters(std::string_view letters) {
    if (letters.size() != 3) return -1;
    const CodonBases bases{baseIndex(letters[0]), baseIndex(letters[1]), baseIndex(letters[2])};
    return hasNoBase(bases) ? -1 : CodonIndex(bases);
}

}  // namespace kestrel
