#include "analysis/stringency.hpp"

#include <gtest/gtest.h>

#include "analysis/genetic_code.hpp"

namespace kestrel {
namespace {

// Each option on its own excludes exactly the genes with the flags it names, and no sound gene.
TEST(Stringency, EachOptionExcludesOnItsOwnFlags) {
    // Flags: no start, no stop, a bad codon, a premature stop, an alternative CDS.
    const std::array<bool, 5> excludes[] = {
        {true, false, false, false, false},  // 1 start codon
        {false, true, false, false, false},  // 2 stop codon
        {true, true, true, false, false},    // 3 overall, whatever options 1 and 2 say
        {false, false, false, false, true},  // 4 alternative CDS
        {false, false, false, true, false},  // 5 premature stop
    };
    for (int option = 0; option < 5; ++option)
        for (int flag = -1; flag < 5; ++flag) {
            RunSettings settings;
            bool* options[] = {&settings.startCodonRequired, &settings.stopCodonRequired,
                               &settings.allCodonsMustBeGood, &settings.noAlternativeCds, &settings.noPrematureStops};
            *options[option] = true;
            GeneCounts counts;
            counts.noStart = flag == 0;
            counts.noStop = flag == 1;
            counts.badCodons = flag == 2 ? 1 : 0;
            counts.preStop = flag == 3;
            EXPECT_EQ(passesStringency(settings, counts, flag == 4 ? 2 : 0), flag < 0 || !excludes[option][flag])
                << "option " << option + 1 << ", flag " << flag;
        }
}

// Only option 5 is on, so genes without a valid start or a recorded stop are included too.
TEST(EndOfGene, IncludedGenesAddTheirCountsAndTallies) {
    struct Gene {
        CodonBases start, stop;
        int badCodons, preStop;
    };
    const Gene genes[] = {
        {{0, 3, 1}, {3, 0, 0}, 3, 0},  // ATG ... TAA with bad codons
        {{1, 3, 1}, {3, 1, 0}, 0, 0},  // GTG, a failed start tallied under its own codon; TGA
        {{0, 0, 1}, {4, 4, 4}, 0, 0},  // AAG, not a tallied start, and no recorded stop
        {{0, 3, 1}, {3, 0, 0}, 0, 1},  // a premature stop: excluded
    };
    RunSettings settings;
    settings.noPrematureStops = 1;
    CumulativeCounts cumulative;
    for (const Gene& g : genes) {
        GeneCounts counts;
        counts.startCodon = g.start;
        counts.stopCodon = g.stop;
        counts.noStart = g.start != CodonBases{0, 3, 1};  // the eukaryote start test
        counts.badCodons = g.badCodons;
        counts.preStop = g.preStop;
        counts.codonCount[CodonIndex(3, 3, 3)] = 2;  // TTT, the last entry
        endOfGeneStep(settings, 0, counts, cumulative);
    }
    EXPECT_EQ(cumulative.genesIncluded, 3);
    EXPECT_EQ(cumulative.genesExcluded, 1);
    EXPECT_EQ(cumulative.cumCodonCount[CodonIndex(3, 3, 3)], 6);
    EXPECT_EQ(cumulative.cumBadCodons, 3);
    EXPECT_EQ(cumulative.startTally, (std::array<std::int64_t, 7>{1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cumulative.stopTally, (std::array<std::int64_t, 3>{1, 0, 1}));
}

}  // namespace
}  // namespace kestrel
