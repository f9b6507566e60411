#include "analysis/stringency.hpp"

#include <gtest/gtest.h>

#include <tuple>

#include "analysis/codon_letters.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

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
            RunSettings settings = bareSettings();
            bool* options[] = {&settings.startCodonRequired, &settings.stopCodonRequired,
                               &settings.allCodonsMustBeGood, &settings.noAlternativeCds, &settings.noPrematureStops};
            *options[option] = true;
            GeneCounts counts;
            std::tie(counts.noStart, counts.noStop, counts.preStop) = std::tuple(flag == 0, flag == 1, flag == 3);
            counts.badCodons = flag == 2 ? 1 : 0;
            EXPECT_EQ(passesStringency(settings, counts, flag == 4 ? 2 : 0), flag < 0 || !excludes[option][flag])
                << "option " << option + 1 << ", flag " << flag;
        }
}

// Only option 5 is on, so genes without a valid start or a recorded stop are included too.
TEST(Stringency, IncludedGenesAddTheirCountsAndTallies) {
    const struct { const char *start, *stop; int badCodons; bool preStop; } genes[] = {
        {"ATG", "TAA", 3, false},  // with bad codons
        {"GTG", "TGA", 0, false},  // a failed start tallied under its own codon
        {"AAG", "NNN", 0, false},  // tallied, though no start row shows it; no recorded stop
        {"ATG", "TAA", 0, true},   // a premature stop: excluded
    };
    RunSettings settings = bareSettings();
    settings.noPrematureStops = true;
    CumulativeCounts cumulative;
    for (const auto& g : genes) {
        GeneCounts counts;
        for (int p = 0; p < 3; ++p) {
            counts.startCodon[p] = baseIndex(g.start[p]);
            counts.stopCodon[p] = baseIndex(g.stop[p]);
        }
        counts.noStart = std::string(g.start) != "ATG";  // the eukaryote start test
        counts.badCodons = g.badCodons;
        counts.preStop = g.preStop;
        counts.codonCount[63] = 2;  // TTT, the last entry
        endOfGeneStep(settings, 0, counts, cumulative);
    }
    EXPECT_EQ(std::tie(cumulative.genesIncluded, cumulative.genesExcluded, cumulative.cumCodonCount[63],
                       cumulative.cumBadCodons),
              std::tuple(3, 1, 6, 3));
    std::array<std::int64_t, 64> starts{}, stops{};
    starts[codonOfLetters("ATG")] = starts[codonOfLetters("GTG")] = starts[codonOfLetters("AAG")] = 1;
    stops[codonOfLetters("TAA")] = stops[codonOfLetters("TGA")] = 1;
    EXPECT_EQ(cumulative.startTally, starts);
    EXPECT_EQ(cumulative.stopTally, stops);
}

}  // namespace
}  // namespace kestrel
