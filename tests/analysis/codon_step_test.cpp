#include "analysis/codon_step.hpp"

#include <gtest/gtest.h>

#include <numeric>


namespace kestrel {
namespace {

constexpr CodonBases ATG{0, 3, 1}, GTG{1, 3, 1}, GTA{1, 3, 0}, AAG{0, 0, 1}, ATC{0, 3, 2},
    TAA{3, 0, 0}, TGA{3, 1, 0}, GCT{1, 2, 3}, CGA{2, 1, 0}, AGA{0, 1, 0}, ANG{0, 4, 1};

class CodonStepTest : public ::testing::Test {
protected:
    void SetUp() override { counts = GeneCounts{}; }
    void step(const CodonBases& b, bool first = false, bool last = false, std::int32_t n = 0) {
        codonStep(b, first, last, n, settings, optimal, counts);
    }
    std::int32_t counted() const {
        return std::accumulate(counts.codonCount.begin(), counts.codonCount.end(), 0);
    }
    RunSettings settings;
    OptimalCodonFlags optimal{};
    GeneCounts counts;
};

TEST(StartCodon, ValidStartsByGenomeType) {
    for (const CodonBases& b : {ATG, GTG, CodonBases{2, 3, 1}, CodonBases{3, 3, 1},
                                CodonBases{0, 3, 0}, ATC, CodonBases{0, 3, 3}}) {
        EXPECT_TRUE(isValidStart(b, 1));
        EXPECT_EQ(isValidStart(b, 0), b == ATG);
    }
    EXPECT_FALSE(isValidStart(GTA, 1));
    EXPECT_FALSE(isValidStart(AAG, 1));
}

TEST_F(CodonStepTest, GtgStartDependsOnTheGenomeType) {
    step(GTG, true);
    EXPECT_EQ(counts.noStart, 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(GTG)], 1);  // counted as a Val codon
    EXPECT_EQ(counts.startCodon, GTG);

    SetUp();
    settings.prokaryoteGenome = 1;
    step(GTG, true);
    EXPECT_EQ(counts.noStart, 0);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(counts.startCodon, GTG);
}

TEST_F(CodonStepTest, BadFirstAndLastCodons) {
    step(ANG, true);
    EXPECT_EQ(counts.badCodons, 1);
    EXPECT_EQ(counts.noStart, 0);
    EXPECT_EQ(counts.startCodon, (CodonBases{4, 4, 4}));
    step(ANG, false, true);
    EXPECT_EQ(counts.badCodons, 2);
    EXPECT_EQ(counts.noStop, 0);
    EXPECT_EQ(counts.stopCodon, (CodonBases{4, 4, 4}));
    // A one-codon gene whose only codon is bad is one bad codon, not two.
    SetUp();
    step(ANG, true, true);
    EXPECT_EQ(counts.badCodons, 1);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(counts.positionBase[0][0], 0);
}

TEST_F(CodonStepTest, StopCodonsInsideAndAtTheEnd) {
    step(ATG, true);
    step(TGA);
    step(GCT);
    step(TAA, false, true);
    EXPECT_EQ(counts.preStop, 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(TGA)], 1);  // the premature stop is counted
    EXPECT_EQ(counts.codonCount[CodonIndex(TAA)], 0);  // the final one is not
    EXPECT_EQ(counted(), 2);                           // four codons minus start and stop
    EXPECT_EQ(counts.stopCodon, TAA);
    EXPECT_EQ(counts.noStop, 0);
    // The premature TGA adds to the position counts and to no class.
    EXPECT_EQ(counts.positionBase[0][3], 1);
    EXPECT_EQ(counts.positionBase[1][1], 1);
    EXPECT_EQ(counts.positionBase[2][0], 1);

    step(GCT, false, true);
    EXPECT_EQ(counts.noStop, 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(GCT)], 2);
}

TEST_F(CodonStepTest, OnlyStartAndStopLeavesNothingCounted) {
    step(ATG, true);
    step(TAA, false, true);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(counts.noStart + counts.noStop + counts.preStop + counts.badCodons, 0);
}

TEST_F(CodonStepTest, DegeneracyClassesCountAllThreePositions) {
    step(GCT);  // Ala: _4 and _6
    step(CGA);  // Arg, four-codon block: _6 only
    step(AGA);  // Arg, two-codon block: no class
    step(AAG);  // Lys: _2
    EXPECT_EQ(counts.deg4Base[0], (BaseCounts{0, 1, 0, 0}));
    EXPECT_EQ(counts.deg4Base[2], (BaseCounts{0, 0, 0, 1}));
    EXPECT_EQ(counts.deg6Base[0], (BaseCounts{0, 1, 1, 0}));
    EXPECT_EQ(counts.deg6Base[1], (BaseCounts{0, 1, 1, 0}));
    EXPECT_EQ(counts.deg2Base[0], (BaseCounts{1, 0, 0, 0}));
    EXPECT_EQ(counts.deg2Base[2], (BaseCounts{0, 1, 0, 0}));
    EXPECT_EQ(counts.positionBase[0], (BaseCounts{2, 1, 1, 0}));
}

}  // namespace
}  // namespace kestrel
