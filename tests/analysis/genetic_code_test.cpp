#include "analysis/genetic_code.hpp"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(GeneticCode, CodonIndicesAndBaseLetters) {
    EXPECT_EQ(CodonIndex(0, 3, 1), 13);  // ATG
    for (int i = 0; i < 4; ++i) EXPECT_EQ(baseIndex(BaseLetters[i]), i);
    EXPECT_EQ(baseIndex('g'), 1);
    EXPECT_EQ(baseIndex('n'), NoBase);
}

TEST(GeneticCode, FamilySizesAndThirdPositionClasses) {
    std::array<int, 7> sizes{};
    std::array<int, 5> classes{};
    for (int c = 0; c < 64; ++c) {
        ++sizes[FamilySize[c]];
        ++classes[ThirdPositionClass[c]];
    }
    // Met and Trp; nine two-codon amino acids; Ile and the stops; five four-codon; Arg, Leu, Ser.
    EXPECT_EQ(sizes, (std::array<int, 7>{0, 2, 18, 6, 20, 0, 18}));
    // In no class: AGN, ATN, TAA TAG TGA TGG, TTA TTG. Fourfold: eight blocks of four.
    EXPECT_EQ(classes, (std::array<int, 5>{14, 0, 18, 0, 32}));
    // The six-codon families split: their four-codon blocks are fourfold, their two-codon blocks in no class.
    EXPECT_EQ(ThirdPositionClass[CodonIndex(2, 3, 0)], 4);  // CTA
    EXPECT_EQ(ThirdPositionClass[CodonIndex(3, 3, 0)], 0);  // TTA
    EXPECT_EQ(ThirdPositionClass[CodonIndex(0, 1, 2)], 0);  // AGC
    EXPECT_EQ(FamilySize[CodonIndex(0, 1, 2)], 6);
    EXPECT_EQ(FamilySize[CodonIndex(0, 3, 2)], 3);  // ATC Ile
}

}  // namespace
}  // namespace kestrel
