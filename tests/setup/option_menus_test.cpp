#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "analysis/reference_tables.hpp"
#include "control/halt.hpp"
#include "control/run_settings.hpp"
#include "setup/console.hpp"
#include "setup/menus.hpp"

namespace kestrel {
namespace {

// Runs one menu on scripted answers and keeps its transcript and whether it halted.
struct Dialogue {
    template <typename Menu>
    Dialogue(const std::string& answers, Menu menu) {
        std::istringstream in(answers);
        std::ostringstream out;
        Console console(in, out);
        try {
            menu(console, settings);
        } catch (const RunHalted&) {
            halted = true;
        }
        transcript = out.str();
    }
    std::size_t count(const std::string& text) const {
        std::size_t n = 0;
        for (auto at = transcript.find(text); at != std::string::npos; at = transcript.find(text, at + 1)) ++n;
        return n;
    }
    std::size_t refusals() const { return count("\a\nBad number.  Try again.\n"); }
    RunSettings settings;
    std::string transcript;
    bool halted = false;
};

// The segment menu with a preferred-codon list already loaded, so no file is needed.
struct SegmentDialogue : Dialogue {
    explicit SegmentDialogue(const std::string& answers)
        : Dialogue(answers, [](Console& console, RunSettings& settings) {
              ReferenceTables references;
              settings.preferredCodonListUsed = 1;
              segmentAnalysisMenu(console, settings, references);
          }) {}
};

TEST(SegmentLimits, TheLargestIntegersAtTheEdgesOfTheirBounds) {
    // From the start, 2147483647 would leave no end to type; 2147483646 leaves exactly one.
    SegmentDialogue fromStart("L 2147483648 2147483647 2147483646 2147483646 2147483647 C");
    EXPECT_FALSE(fromStart.halted);
    EXPECT_EQ(fromStart.refusals(), 3u);
    EXPECT_EQ(fromStart.settings.segmentBegin, 2147483646);
    EXPECT_EQ(fromStart.settings.segmentEnd, 2147483647);
    EXPECT_NE(fromStart.transcript.find("downstream from start [greater than 2147483646]: "), std::string::npos);

    // From the stop the largest integer is a good begin; Q and C are bad numbers there.
    SegmentDialogue fromStop("t 2147483647 Q C 2147483647 2147483646 c");
    EXPECT_FALSE(fromStop.halted);
    EXPECT_EQ(fromStop.refusals(), 3u);
    EXPECT_EQ(fromStop.settings.segmentRelativeToStop, 1);
    EXPECT_EQ(fromStop.settings.segmentBegin, 2147483647);
    EXPECT_EQ(fromStop.settings.segmentEnd, 2147483646);
    EXPECT_EQ(fromStop.settings.preferredCodonListUsed, 1);
}

TEST(AnalysisOptions, EveryToggleLandsInItsOwnField) {
    // Hidden options still change in check mode; 6 to 9 and other letters are ignored.
    Dialogue d("1 2 4 m b 6 d n s z 5 S z 9 Y c", analysisOptionsMenu);
    const RunSettings& s = d.settings;
    EXPECT_FALSE(d.halted);
    EXPECT_EQ(s.checkLookupTable, 0);
    EXPECT_EQ(s.segmentAnalysis, 0);
    EXPECT_EQ(s.startCodonRequired, 0);
    EXPECT_EQ(s.stopCodonRequired, 0);
    EXPECT_EQ(s.allCodonsMustBeGood, 1);
    EXPECT_EQ(s.noAlternativeCds, 1);
    EXPECT_EQ(s.noPrematureStops, 0);
    EXPECT_EQ(s.codonUsageOutput, 0);
    EXPECT_EQ(s.reportBaseUsage, 1);
    EXPECT_EQ(s.degeneracyBreakdown, 1);
    EXPECT_EQ(s.noncodingMode, 0);
    EXPECT_EQ(d.count("Analysis Options\n"), 13u);
    EXPECT_EQ(d.count("Check Lookup Table"), 3u);
}

}  // namespace
}  // namespace kestrel
