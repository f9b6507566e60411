// The codons of each amino acid, and of the stop signal, under a genetic code: the one
// place that groups codons into synonymous families.
#pragma once

#include <array>

#include "analysis/genetic_code.hpp"

namespace kestrel {

// The codons of one family in ascending CodonIndex, so that every sum and every listing
// over a family visits them in the same order. Eight is the largest family of any code.
struct AminoAcidFamily {
    std::array<int, 8> codons{};
    int size = 0;
    constexpr const int* begin() const { return codons.data(); }
    constexpr const int* end() const { return codons.data() + size; }
};

using AminoAcidFamilies = std::array<AminoAcidFamily, AminoAcidCount>;

// code: the amino acid (AminoAcidIndex) of every codon, in CodonIndex order.
constexpr AminoAcidFamilies familiesOf(const std::array<int, 64>& code) {
    AminoAcidFamilies families{};
    for (int c = 0; c < 64; ++c) {
        AminoAcidFamily& family = families[static_cast<std::size_t>(code[static_cast<std::size_t>(c)])];
        family.codons[static_cast<std::size_t>(family.size++)] = c;
    }
    return families;
}

// The families of the standard code.
inline constexpr AminoAcidFamilies Families = familiesOf(GeneticCode);

}  // namespace kestrel
