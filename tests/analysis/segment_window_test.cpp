#include "analysis/segment_window.hpp"

#include <gtest/gtest.h>

#include "analysis/codon_step.hpp"
#include "analysis/cumulative.hpp"
#include "input/resets.hpp"

namespace kestrel {
namespace {

struct Window {
    int valid;
    std::int32_t lo, hi;
};

Window windowFor(int relativeToStop, std::int32_t begin, std::int32_t end, std::int32_t total) {
    RunSettings settings;
    settings.segmentAnalysis = 1;
    settings.segmentRelativeToStop = relativeToStop;
    settings.segmentBegin = begin;
    settings.segmentEnd = end;
    GeneCounts counts;
    counts.codonTotal = total;
    fixSegmentWindow(settings, counts);
    return {counts.segmentValid, counts.segLo, counts.segHi};
}

TEST(SegmentWindow, BoundsRelativeToStartAndStop) {
    const Window twelve = windowFor(0, 1, 10, 12);
    EXPECT_EQ(twelve.valid, 1);
    EXPECT_EQ(twelve.lo, 1);
    EXPECT_EQ(twelve.hi, 10);
    EXPECT_EQ(windowFor(0, 1, 10, 11).valid, 0);  // would reach the stop codon

    const Window beforeStop = windowFor(1, 10, 1, 12);  // codons 1..10: ten before the stop
    EXPECT_EQ(beforeStop.valid, 1);
    EXPECT_EQ(beforeStop.lo, 1);
    EXPECT_EQ(beforeStop.hi, 10);
    EXPECT_EQ(windowFor(1, 10, 0, 12).hi, 11);  // holds the stop codon
    EXPECT_EQ(windowFor(1, 12, 1, 12).valid, 0);  // would begin before the start
    EXPECT_EQ(windowFor(1, 11, 1, 12).valid, 1);
}

TEST(SegmentWindow, CountsStartAndStopButNotBadCodons) {
    RunSettings settings;
    settings.segmentAnalysis = 1;
    settings.segmentBegin = 0;
    settings.segmentEnd = 2;
    OptimalCodonFlags optimal{};
    optimal[CodonIndex(0, 3, 1)] = 1;  // ATG
    GeneCounts counts;
    resetGeneCounts(counts);
    counts.codonTotal = 4;
    fixSegmentWindow(settings, counts);
    ASSERT_EQ(counts.segmentValid, 1);
    codonStep({0, 3, 1}, true, false, 0, settings, optimal, counts);   // start, in window
    codonStep({1, 1, 1}, false, false, 1, settings, optimal, counts);  // GGG
    codonStep({0, 0, 0}, false, false, 3, settings, optimal, counts);  // outside
    EXPECT_EQ(counts.segmentPreferred, 1);
    EXPECT_EQ(counts.segmentBase[0], (BaseCounts{1, 1, 0, 0}));
    EXPECT_EQ(counts.segmentBase[2], (BaseCounts{0, 2, 0, 0}));

    codonStep({4, 1, 1}, false, false, 2, settings, optimal, counts);  // bad, in window
    EXPECT_EQ(counts.segmentBase[1], (BaseCounts{0, 1, 0, 1}));
    CumulativeCounts cumulative;
    endOfGeneStep(GeneRecord{}, settings, counts, cumulative);
    EXPECT_EQ(counts.segmentValid, 0);  // one bad codon voids the window
}

}  // namespace
}  // namespace kestrel
