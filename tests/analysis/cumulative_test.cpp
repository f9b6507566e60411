#include "analysis/cumulative.hpp"

#include <gtest/gtest.h>

#include "analysis/genetic_code.hpp"
#include "input/resets.hpp"

namespace kestrel {
namespace {

RunSettings defaults() {
    RunSettings settings;
    settings.startCodonRequired = 1;
    settings.stopCodonRequired = 1;
    settings.allCodonsMustBeGood = 1;
    settings.noAlternativeCds = 0;
    settings.noPrematureStops = 1;
    return settings;
}

// A sound gene: ATG ... TAA with two counted GCT codons.
GeneCounts soundGene() {
    GeneCounts counts;
    resetGeneCounts(counts);
    counts.startCodon = {0, 3, 1};
    counts.stopCodon = {3, 0, 0};
    counts.codonCount[CodonIndex(1, 2, 3)] = 2;
    return counts;
}

TEST(Stringency, EachRuleExcludesOnItsOwnFlags) {
    const GeneRecord record;
    GeneRecord withAlt;
    withAlt.nAlt = 2;
    const RunSettings settings = defaults();
    EXPECT_TRUE(passesStringency(record, settings, soundGene()));
    EXPECT_TRUE(passesStringency(withAlt, settings, soundGene()));  // alternatives allowed

    GeneCounts noStart = soundGene(), noStop = soundGene(), bad = soundGene(),
               preStop = soundGene();
    noStart.noStart = 1;
    noStop.noStop = 1;
    bad.badCodons = 1;
    preStop.preStop = 1;
    for (const GeneCounts* c : {&noStart, &noStop, &bad, &preStop})
        EXPECT_FALSE(passesStringency(record, settings, *c));

    RunSettings lenient = settings;
    lenient.allCodonsMustBeGood = 0;
    EXPECT_TRUE(passesStringency(record, lenient, bad));
    EXPECT_FALSE(passesStringency(record, lenient, noStart));  // option 1 still on
    lenient.startCodonRequired = 0;
    EXPECT_TRUE(passesStringency(record, lenient, noStart));
    lenient.stopCodonRequired = 0;
    EXPECT_TRUE(passesStringency(record, lenient, noStop));

    // Option 3 excludes a missing start or stop whatever options 1 and 2 say.
    RunSettings overall = settings;
    overall.startCodonRequired = 0;
    overall.stopCodonRequired = 0;
    EXPECT_FALSE(passesStringency(record, overall, noStart));
    EXPECT_FALSE(passesStringency(record, overall, noStop));

    RunSettings noAlt = settings;
    noAlt.noAlternativeCds = 1;
    EXPECT_FALSE(passesStringency(withAlt, noAlt, soundGene()));

    RunSettings stopsAllowed = settings;
    stopsAllowed.noPrematureStops = 0;
    EXPECT_TRUE(passesStringency(record, stopsAllowed, preStop));
}

TEST(EndOfGene, IncludedGenesAddTheirCountsAndTallies) {
    RunSettings settings = defaults();
    settings.allCodonsMustBeGood = 0;
    settings.startCodonRequired = 0;
    settings.stopCodonRequired = 0;
    CumulativeCounts cumulative;

    GeneCounts first = soundGene();
    first.badCodons = 3;
    endOfGeneStep(GeneRecord{}, settings, first, cumulative);

    GeneCounts gtg = soundGene();  // failed eukaryote start, tallied under its own codon
    gtg.noStart = 1;
    gtg.startCodon = {1, 3, 1};
    gtg.stopCodon = {3, 1, 0};
    gtg.codonCount[CodonIndex(1, 3, 1)] = 1;
    endOfGeneStep(GeneRecord{}, settings, gtg, cumulative);

    GeneCounts untallied = soundGene();  // AAG start and no recorded stop
    untallied.noStart = 1;
    untallied.noStop = 1;
    untallied.startCodon = {0, 0, 1};
    untallied.stopCodon = {4, 4, 4};
    endOfGeneStep(GeneRecord{}, settings, untallied, cumulative);

    GeneCounts excluded = soundGene();
    excluded.preStop = 1;
    endOfGeneStep(GeneRecord{}, settings, excluded, cumulative);

    EXPECT_EQ(cumulative.genesIncluded, 3);
    EXPECT_EQ(cumulative.genesExcluded, 1);
    EXPECT_EQ(cumulative.cumCodonCount[CodonIndex(1, 2, 3)], 6);
    EXPECT_EQ(cumulative.cumCodonCount[CodonIndex(1, 3, 1)], 1);
    EXPECT_EQ(cumulative.cumBadCodons, 3);
    EXPECT_EQ(cumulative.startTally, (std::array<std::int64_t, 7>{1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cumulative.stopTally, (std::array<std::int64_t, 3>{1, 0, 1}));
}

}  // namespace
}  // namespace kestrel
