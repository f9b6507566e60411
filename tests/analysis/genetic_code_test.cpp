#include "analysis/genetic_code.hpp"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(GeneticCode, CodonIndicesOfLandmarkCodons) {
    EXPECT_EQ(CodonIndex(0, 0, 0), 0);   // AAA
    EXPECT_EQ(CodonIndex(0, 3, 1), 13);  // ATG
    EXPECT_EQ(CodonIndex(3, 1, 1), 53);  // TGG
    EXPECT_EQ(CodonIndex(3, 3, 3), 63);  // TTT
    EXPECT_EQ(GeneticCode[48], Stp);
    EXPECT_EQ(GeneticCode[49], Stp);
    EXPECT_EQ(GeneticCode[52], Stp);
    EXPECT_EQ(GeneticCode[13], Met);
    EXPECT_EQ(GeneticCode[53], Trp);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(baseIndex(BaseLetters[3 - i]), 3 - baseIndex(BaseLetters[i]));
    EXPECT_EQ(baseIndex('n'), NoBase);
    EXPECT_EQ(baseIndex('g'), 1);
}

TEST(GeneticCode, FamilySizesAndDegeneracyClasses) {
    int sizeCount[7] = {};
    for (int c = 0; c < 64; ++c) ++sizeCount[FamilySize[c]];
    EXPECT_EQ(sizeCount[1], 2);
    EXPECT_EQ(sizeCount[2], 18);
    EXPECT_EQ(sizeCount[3], 6);  // Ile and the stops
    EXPECT_EQ(sizeCount[4], 20);
    EXPECT_EQ(sizeCount[6], 18);
    EXPECT_EQ(FamilySize[CodonIndex(3, 0, 0)], 3);
    EXPECT_EQ(FamilySize[CodonIndex(0, 3, 0)], 3);
    EXPECT_EQ(FamilySize[CodonIndex(3, 3, 0)], 6);  // TTA
    int fourfold = 0;
    for (int c = 0; c < 64; ++c) fourfold += ThirdPositionClass[c] == 4;
    EXPECT_EQ(fourfold, 32);
    EXPECT_EQ(ThirdPositionClass[CodonIndex(2, 3, 0)], 4);  // CTA
    EXPECT_EQ(ThirdPositionClass[CodonIndex(3, 3, 0)], 0);  // TTA
    EXPECT_EQ(ThirdPositionClass[CodonIndex(0, 1, 2)], 0);  // AGC
    EXPECT_EQ(ThirdPositionClass[CodonIndex(0, 3, 0)], 0);  // ATA
    EXPECT_EQ(ThirdPositionClass[CodonIndex(0, 0, 2)], 2);  // AAC
}

TEST(GeneticCode, SixCodonFamiliesSplitIntoFourAndTwo) {
    // Leu: CTA CTG CTC CTT TTA TTG.
    for (int c : {CodonIndex(2, 3, 0), CodonIndex(2, 3, 1), CodonIndex(2, 3, 2), CodonIndex(2, 3, 3),
                  CodonIndex(3, 3, 0), CodonIndex(3, 3, 1)}) {
        EXPECT_EQ(GeneticCode[c], Leu);
        EXPECT_EQ(FamilySize[c], 6);
    }
    for (int b3 = 0; b3 < 4; ++b3) {
        EXPECT_EQ(ThirdPositionClass[CodonIndex(2, 1, b3)], 4);  // CGN Arg
        EXPECT_EQ(ThirdPositionClass[CodonIndex(3, 2, b3)], 4);  // TCN Ser
        EXPECT_EQ(ThirdPositionClass[CodonIndex(0, 1, b3)], 0);  // AGA AGG Arg, AGC AGT Ser
        EXPECT_EQ(FamilySize[CodonIndex(0, 1, b3)], 6);
    }
    EXPECT_EQ(FamilySize[CodonIndex(0, 3, 2)], 3);  // ATC Ile
    EXPECT_EQ(AminoAcidLetters[Stp], 'x');
    EXPECT_STREQ(AminoAcidNames[Stp].data(), "STP");
    EXPECT_EQ(AminoAcidLetters[GeneticCode[CodonIndex(3, 1, 1)]], 'W');
}

}  // namespace
}  // namespace kestrel
