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

// The segment menu with a preferred-codon list already loaded, so no file is needed.
struct SegmentDialogue {
    explicit SegmentDialogue(const std::string& answers) {
        settings.preferredCodonListUsed = 1;
        std::istringstream in(answers);
        std::ostringstream out;
        Console console(in, out);
        try {
            segmentAnalysisMenu(console, settings, references);
        } catch (const RunHalted&) {
            halted = true;
        }
        transcript = out.str();
    }
    std::size_t refusals() const {
        std::size_t n = 0;
        for (auto at = transcript.find("\a\nBad number.  Try again.\n"); at != std::string::npos;
             at = transcript.find("\a\nBad number.  Try again.\n", at + 1))
            ++n;
        return n;
    }
    RunSettings settings;
    ReferenceTables references;
    std::string transcript;
    bool halted = false;
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

TEST(SegmentLimits, TheScreenShowsTheNewLimitsAndIgnoredLettersDoNotRedraw) {
    SegmentDialogue dialogue("x L 3 007 y z C");
    EXPECT_EQ(dialogue.settings.segmentBegin, 3);
    EXPECT_EQ(dialogue.settings.segmentEnd, 7);
    const std::string tail = "L Limits of segment analysis: \n   3 codon(s) dowmstream from start to\n"
                             "   7 codon(s) dowmstream from start\n";
    EXPECT_NE(dialogue.transcript.find(tail), std::string::npos);
    std::size_t screens = 0;
    for (auto at = dialogue.transcript.find("SEGMENT ANALYSIS OPTIONS"); at != std::string::npos;
         at = dialogue.transcript.find("SEGMENT ANALYSIS OPTIONS", at + 1))
        ++screens;
    EXPECT_EQ(screens, 2u);
    EXPECT_TRUE(SegmentDialogue("quit").halted);
}

}  // namespace
}  // namespace kestrel
