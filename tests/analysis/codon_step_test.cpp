#include "analysis/codon_step.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "analysis/codon_letters.hpp"
#include "analysis/segment_window.hpp"
#include "analysis/stringency.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

CodonBases bases(const char* letters) { return {baseIndex(letters[0]), baseIndex(letters[1]), baseIndex(letters[2])}; }
const CodonBases NotRecorded{4, 4, 4};

struct CodonStepTest : ::testing::Test {
    void step(const char* codon, bool first = false, bool last = false, std::int32_t number = 0) {
        codonStep(bases(codon), first, last, number, settings, optimal, counts);
    }
    std::int32_t counted() const { return std::accumulate(counts.codonCount.begin(), counts.codonCount.end(), 0); }
    RunSettings settings = bareSettings();
    OptimalCodonFlags optimal{};
    GeneCounts counts;
};

TEST_F(CodonStepTest, FirstCodonIsAStartByGenomeType) {
    for (const GenomeType genome : {GenomeType::Eukaryote, GenomeType::Prokaryote})
        for (const char* codon : {"ATG", "GTG", "CTG", "TTG", "ATA", "ATC", "ATT", "GTA", "AAG"}) {
            // Eukaryotes: ATG only. Prokaryotes: T second and G third, or A first and T second.
            const std::string c = codon;
            const bool valid = genome == GenomeType::Prokaryote ? c != "GTA" && c != "AAG" : c == "ATG";
            counts = GeneCounts{};
            settings.genomeType = genome;
            step(codon, true);
            EXPECT_EQ(counts.noStart, !valid) << codon;
            // A first codon that fails the start test is counted like any internal codon.
            EXPECT_EQ(counts.codonCount[codonOfLetters(codon)], valid ? 0 : 1) << codon;
            EXPECT_EQ(counts.startCodon, bases(codon));
        }
}

TEST_F(CodonStepTest, StopBadCodonsAndTheCodingBaseClasses) {
    step("ANG", true);  // a bad first codon: no start recorded, only a bad codon
    step("TGA");        // premature stop: counted, in no class
    step("GCT");        // Ala: _4 and _6
    step("CGA");        // Arg, four-codon block: _6 only
    step("AGA");        // Arg, two-codon block: no class
    step("AAG");        // Lys: _2
    step("TAA", false, true);
    EXPECT_EQ(std::tie(counts.badCodons, counts.noStart, counts.preStop, counts.noStop), std::tuple(1, false, true, false));
    EXPECT_EQ(counts.startCodon, NotRecorded);
    EXPECT_EQ(counts.stopCodon, bases("TAA"));
    EXPECT_EQ(counted(), 5);  // neither the bad codon nor the final stop
    // Every position of a counted codon, premature stop included, in the classes it belongs to.
    EXPECT_EQ(counts.positionBase, (PositionBaseCounts{{{2, 1, 1, 1}, {1, 3, 1, 0}, {3, 1, 0, 1}}}));
    EXPECT_EQ(counts.deg2Base, (PositionBaseCounts{{{1, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}}}));
    EXPECT_EQ(counts.deg4Base, (PositionBaseCounts{{{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}));
    EXPECT_EQ(counts.deg6Base, (PositionBaseCounts{{{0, 1, 1, 0}, {0, 1, 1, 0}, {1, 0, 0, 1}}}));

    step("GCT", false, true);  // a last codon that is not a stop is counted
    step("ANG", false, true);  // a bad last codon is only a bad codon
    EXPECT_EQ(std::tie(counts.noStop, counts.badCodons), std::tuple(true, 2));
    EXPECT_EQ(counts.codonCount[codonOfLetters("GCT")], 2);
}

// Under another code its stops end a gene or stop it early, its sense codons do neither, its starts
// (prokaryote) or Met codons (eukaryote) are valid starts, and its families choose the degeneracy classes.
TEST_F(CodonStepTest, RolesUnderOtherCodes) {
    const struct {
        int code;
        GenomeType genome;
        const char *first, *inner, *last;
        bool noStart, preStop, noStop;
        int deg2Codons;  // counted codons in class _2
    } cases[] = {
        {4, GenomeType::Prokaryote, "TTA", "TGA", "TAA", false, false, false, 1},  // TGA is Trp, of two codons
        {4, GenomeType::Prokaryote, "ATG", "TAA", "TGA", false, true, true, 1},    // TGA last is counted
        {2, GenomeType::Eukaryote, "ATA", "AGA", "AGG", false, true, false, 0},    // ATA is Met; AGA, AGG stops
        {2, GenomeType::Prokaryote, "TTG", "TGA", "TAG", true, false, false, 1},   // TTG: no start of table 2
        {3, GenomeType::Eukaryote, "ATG", "TAG", "TAA", false, true, false, 0},    // a stop family of two: no class
        {27, GenomeType::Eukaryote, "ATG", "TGA", "TGA", false, false, false, 1},  // Trp inside, a stop at the end
        {6, GenomeType::Eukaryote, "ATG", "TAA", "TAG", false, false, true, 0},    // TAA, TAG: Gln of four codons
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.first + " " + c.inner + " " + c.last);
        counts = GeneCounts{};
        std::tie(settings.geneticCode, settings.genomeType) = std::tuple(geneticCodeOf(c.code).value(), c.genome);
        step(c.first, true);
        step(c.inner);
        step(c.last, false, true);
        EXPECT_EQ(std::tie(counts.noStart, counts.preStop, counts.noStop), std::tie(c.noStart, c.preStop, c.noStop));
        EXPECT_EQ(counts.stopCodon, c.noStop ? NotRecorded : bases(c.last));
        EXPECT_EQ(std::accumulate(counts.deg2Base[0].begin(), counts.deg2Base[0].end(), 0), c.deg2Codons);
    }
}

TEST_F(CodonStepTest, SegmentWindowBoundsRelativeToStartAndStop) {
    const struct { bool fromStop; int begin, end, total; bool valid; int lo, hi; } cases[] = {
        {false, 1, 10, 12, true, 1, 10},  // start, ten internal codons, stop
        {false, 1, 10, 11, false, 0, 0},  // would reach the stop codon
        {true, 10, 1, 12, true, 1, 10},   // the ten codons before the stop
        {true, 11, 1, 12, true, 0, 10},   // from the start codon on
        {true, 12, 1, 12, false, 0, 0},   // would begin before the start
    };
    settings.segmentAnalysis = true;
    for (const auto& c : cases) {
        std::tie(settings.segmentRelativeToStop, settings.segmentBegin, settings.segmentEnd) =
            std::tuple(c.fromStop, c.begin, c.end);
        counts.segmentValid = true;  // left over from the gene before
        counts.codonTotal = c.total;
        fixSegmentWindow(settings, counts);
        EXPECT_EQ(std::tuple(counts.segmentValid, counts.segLo, counts.segHi), std::tuple(c.valid, c.lo, c.hi))
            << "case " << &c - cases;
    }
}

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
