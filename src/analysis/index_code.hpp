// What the codon-usage indices read of a genetic code: each codon's amino acid, the
// synonymous families and the degeneracy of third positions.
#pragma once

#include <array>

#include "analysis/amino_acid_families.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {

struct IndexCode {
    std::array<int, 64> aminoAcid{};
    AminoAcidFamilies families{};
    std::array<int, 64> thirdPositionClass{};
    constexpr bool isSynonymous(int a) const { return a != Stp && families[a].size > 1; }
};

inline constexpr IndexCode StandardIndexCode{GeneticCode, Families, ThirdPositionClass};

}  // namespace kestrel
