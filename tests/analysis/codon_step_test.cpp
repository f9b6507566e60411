#include "analysis/codon_step.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "analysis/stringency.hpp"
#include "analysis/segment_window.hpp"

namespace kestrel {
namespace {

constexpr CodonBases ATG{0, 3, 1}, GTG{1, 3, 1}, CTG{2, 3, 1}, TTG{3, 3, 1}, ATA{0, 3, 0}, ATC{0, 3, 2},
    ATT{0, 3, 3}, GTA{1, 3, 0}, AAG{0, 0, 1}, TAA{3, 0, 0}, TGA{3, 1, 0}, GCT{1, 2, 3}, CGA{2, 1, 0},
    AGA{0, 1, 0}, ANG{0, 4, 1}, NotRecorded{4, 4, 4};

struct CodonStepTest : ::testing::Test {
    void step(const CodonBases& b, bool first = false, bool last = false, std::int32_t number = 0) {
        codonStep(b, first, last, number, settings, optimal, counts);
    }
    std::int32_t counted() const {
        return std::accumulate(counts.codonCount.begin(), counts.codonCount.end(), 0);
    }
    RunSettings settings;
    OptimalCodonFlags optimal{};
    GeneCounts counts;
};

TEST_F(CodonStepTest, FirstCodonIsAStartByGenomeType) {
    for (bool prokaryote : {false, true})
        for (const CodonBases& b : {ATG, GTG, CTG, TTG, ATA, ATC, ATT, GTA, AAG}) {
            SCOPED_TRACE(testing::Message() << "prokaryote " << prokaryote << ", codon " << CodonIndex(b));
            // Eukaryotes: ATG only. Prokaryotes: T second and G third, or A first and T second.
            const bool valid = prokaryote ? b != GTA && b != AAG : b == ATG;
            counts = GeneCounts{};
            settings.genomeType = prokaryote ? GenomeType::Prokaryote : GenomeType::Eukaryote;
            step(b, true);
            EXPECT_EQ(counts.noStart, !valid);
            // A first codon that fails the start test is counted like any internal codon.
            EXPECT_EQ(counts.codonCount[CodonIndex(b)], valid ? 0 : 1);
            EXPECT_EQ(counts.startCodon, b);
        }
}

TEST_F(CodonStepTest, BadCodonsAreOnlyCountedAsBad) {
    step(ANG, true);
    step(ANG, false, true);
    EXPECT_EQ(counts.badCodons, 2);
    EXPECT_EQ(counts.noStart + counts.noStop, 0);
    EXPECT_EQ(counts.startCodon, NotRecorded);
    EXPECT_EQ(counts.stopCodon, NotRecorded);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(counts.positionBase, PositionBaseCounts{});
    // A one-codon gene whose only codon is bad is one bad codon, not two.
    counts = GeneCounts{};
    step(ANG, true, true);
    EXPECT_EQ(counts.badCodons, 1);
}

TEST_F(CodonStepTest, StopCodonsAndTheCodingBaseClasses) {
    step(ATG, true);
    step(TGA);  // premature stop: counted, in no class
    step(GCT);  // Ala: _4 and _6
    step(CGA);  // Arg, four-codon block: _6 only
    step(AGA);  // Arg, two-codon block: no class
    step(AAG);  // Lys: _2
    step(TAA, false, true);
    EXPECT_EQ(counts.preStop, 1);
    EXPECT_EQ(counts.noStart + counts.noStop, 0);
    EXPECT_EQ(counts.stopCodon, TAA);
    EXPECT_EQ(counts.codonCount[CodonIndex(TGA)], 1);
    EXPECT_EQ(counted(), 5);  // neither the start nor the final stop
    // Every position of a counted codon, premature stop included, in the classes it belongs to.
    EXPECT_EQ(counts.positionBase, (PositionBaseCounts{{{2, 1, 1, 1}, {1, 3, 1, 0}, {3, 1, 0, 1}}}));
    EXPECT_EQ(counts.deg2Base, (PositionBaseCounts{{{1, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}}}));
    EXPECT_EQ(counts.deg4Base, (PositionBaseCounts{{{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}));
    EXPECT_EQ(counts.deg6Base, (PositionBaseCounts{{{0, 1, 1, 0}, {0, 1, 1, 0}, {1, 0, 0, 1}}}));

    step(GCT, false, true);  // a last codon that is not a stop is counted
    EXPECT_EQ(counts.noStop, 1);
    EXPECT_EQ(counts.codonCount[CodonIndex(GCT)], 2);
}

TEST_F(CodonStepTest, SegmentWindowBoundsRelativeToStartAndStop) {
    struct Case {
        int relativeToStop, begin, end, total, valid, lo, hi;
    };
    const Case cases[] = {
        {0, 1, 10, 12, 1, 1, 10},  // start, ten internal codons, stop
        {0, 1, 10, 11, 0, 0, 0},   // would reach the stop codon
        {1, 10, 1, 12, 1, 1, 10},  // the ten codons before the stop
        {1, 11, 1, 12, 1, 0, 10},  // from the start codon on
        {1, 12, 1, 12, 0, 0, 0},   // would begin before the start
    };
    settings.segmentAnalysis = 1;
    for (const Case& c : cases) {
        settings.segmentRelativeToStop = c.relativeToStop;
        settings.segmentBegin = c.begin;
        settings.segmentEnd = c.end;
        counts.segmentValid = 1;  // left over from the gene before
        counts.codonTotal = c.total;
        fixSegmentWindow(settings, counts);
        EXPECT_EQ(std::tuple(counts.segmentValid, counts.segLo, counts.segHi), std::tuple(c.valid, c.lo, c.hi))
            << "case " << &c - cases;
    }
}

TEST_F(CodonStepTest, SegmentWindowHoldsStartAndStopButNotBadCodons) {
    // ATG GGG, a bad codon, TAA: the window holds codons 0-2 counted from the start, 1-3 from the stop.
    const CodonBases gene[] = {ATG, {1, 1, 1}, ANG, TAA};
    const PositionBaseCounts inWindow[] = {{{{1, 1, 0, 0}, {0, 1, 0, 1}, {0, 2, 0, 0}}},   // ATG GGG
                                           {{{0, 1, 0, 1}, {1, 1, 0, 0}, {1, 1, 0, 0}}}};  // GGG TAA
    optimal[CodonIndex(ATG)] = optimal[CodonIndex(TAA)] = 1;
    settings.segmentAnalysis = 1;
    for (bool relativeToStop : {false, true}) {
        settings.segmentRelativeToStop = relativeToStop;
        settings.segmentBegin = relativeToStop ? 2 : 0;
        settings.segmentEnd = relativeToStop ? 0 : 2;
        counts = GeneCounts{};
        counts.codonTotal = 4;
        fixSegmentWindow(settings, counts);
        for (int n = 0; n < 4; ++n) step(gene[n], n == 0, n == 3, n);
        EXPECT_EQ(counts.segmentPreferred, 1) << relativeToStop;
        EXPECT_EQ(counts.segmentBase, inWindow[relativeToStop]) << relativeToStop;
        ASSERT_EQ(counts.segmentValid, 1);
        CumulativeCounts cumulative;
        endOfGeneStep(settings, 0, counts, cumulative);
        EXPECT_EQ(counts.segmentValid, 0);  // one bad codon voids the window
    }
}

}  // namespace
}  // namespace kestrel
