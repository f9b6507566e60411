#include "setup/menus.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "output/output_file.hpp"
#include "setup/console.hpp"
#include "setup/file_prompts.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

TEST(NumberChecks, WholeAndDecimalNumbers) {
    for (const char* word : {"0", "0012"}) EXPECT_TRUE(isWholeNumber(word)) << word;
    for (const char* word : {"", "-1", "+1", "1.0", "1a"}) EXPECT_FALSE(isWholeNumber(word)) << word;
    for (const char* word : {".5", "5.", ".", "0.01"}) EXPECT_TRUE(isDecimalNumber(word)) << word;
    for (const char* word : {"0.5.1", "-0.1", "1e-2", ""}) EXPECT_FALSE(isDecimalNumber(word)) << word;
}

class Dialogue : public InScratchFolder {
protected:
    template <typename Step>
    bool run(const std::string& answers, Step step) {
        std::istringstream in(answers);
        std::ostringstream out;
        Console console(in, out);
        bool halted = false;
        try {
            step(console);
        } catch (const RunHalted&) {
            halted = true;
        }
        transcript_ = out.str();
        return halted;
    }
    bool output(const std::string& answers) {
        return run(answers, [&](Console& c) { promptOutputFile(c, settings_, output_); });
    }
    // A fresh run with a preferred-codon list already loaded, so the menu asks for no file.
    bool segment(const std::string& answers) {
        settings_ = RunSettings{};
        settings_.preferredCodonListUsed = true;
        return run(answers, [&](Console& c) { segmentAnalysisMenu(c, settings_, references_); });
    }
    bool shows(const std::string& text) const { return transcript_.find(text) != std::string::npos; }
    std::size_t count(const std::string& text) const { return occurrences(transcript_, text); }
    std::size_t refusals() const { return count("Bad number.  Try again.\n"); }

    RunSettings settings_;
    ReferenceTables references_;
    OutputFile output_;
    std::string transcript_;
};

TEST_F(Dialogue, FileNames) {
    // Q is a name here, not an answer, and the suffix is added even to a name that has it.
    EXPECT_FALSE(output("Q"));
    EXPECT_EQ(settings_.outputFileName, "Q.kstl");
    EXPECT_FALSE(output("run.kstl"));
    EXPECT_EQ(settings_.outputFileName, "run.kstl.kstl");
    // A word of 499 characters is a name; one character more halts.
    writeFile("genes", "#CDS 1..9\n");
    std::string path;
    for (int i = 0; i < 247; ++i) path += "./";
    const auto lookup = [&](Console& c) { promptLookupFile(c, settings_); };
    EXPECT_FALSE(run(path + "genes", lookup));  // 499 characters
    EXPECT_TRUE(run(std::string(500, '\0'), lookup));
    EXPECT_TRUE(shows("\a\nINPUT WORD LONGER THAN 499 CHARACTERS: NOT AN ANSWER.\nKESTREL halted.\n\n"));
}

TEST(ConsoleLines, AnAlertStartsOnALineOfItsOwn) {
    std::istringstream in("answer");
    std::ostringstream out;
    Console console(in, out);
    console.write("\n READSEQ started for g");
    console.writeLine("\aPROBLEM WRITING THE FILE x.");  // after a progress line: a line feed first
    console.write("\n LOCWRITE started for g");
    console.write("\a\n Sequence of g not found");    // begins with its own line feed
    console.write("prompt: ");
    console.readWord();
    console.writeLine("\aPROBLEM OPENING THE FILE y.");  // the user's Enter ended the line
    EXPECT_EQ(out.str(), "\n READSEQ started for g\n\aPROBLEM WRITING THE FILE x.\n\n LOCWRITE started for g"
                         "\a\n Sequence of g not foundprompt: \aPROBLEM OPENING THE FILE y.\n");
}

TEST_F(Dialogue, MinimumRscuIsAskedWithoutATableAndRefusesBadNumbers) {
    writeFile("genes.lookup", "#CDS 1..9\n");
    // 1 lies past the range, q is a bad number rather than quit, a lone point reads as 0.
    EXPECT_FALSE(run("genes.lookup run M 1 q . C", [&](Console& c) { mainMenu(c, settings_, references_, output_); }));
    EXPECT_EQ(settings_.minimumRscu, 0.0);
    EXPECT_EQ(refusals(), 2u);
}

TEST_F(Dialogue, SegmentLimitsAtTheEdgesOfTheirBounds) {
    struct Case {
        const char* answers;
        bool fromStop;
        int begin, end;
        std::size_t refusals;
        const char* shown;
    } cases[] = {
        // From the start: 0, a number past 32 bits and the largest integer (no end left) are refused; end > begin.
        {"L 0 2147483648 2147483647 2147483646 2147483646 2147483647 C", 0, 2147483646, 2147483647, 4,
         "\nSegment analysis ends ___ codon(s) downstream from start [greater than 2147483646]: "},
        // From the stop: 1 is refused, the largest integer taken; Q and C are bad numbers, not answers; end < begin.
        {"t 1 2147483647 Q C 2147483647 2147483646 c", 1, 2147483647, 2147483646, 4,
         "\nSegment analysis ends ___ codon(s) upstream from stop [less than 2147483647]: "},
        // T twice comes back to counting from the start.
        {"T 3 2 T 2 3 C", 0, 2, 3, 0,
         "\nAnalysis Type: relative to start codon\n\nSegment analysis begins ___ codon(s) downstream from start: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers);
        EXPECT_FALSE(segment(c.answers));
        EXPECT_EQ(settings_.segmentRelativeToStop, c.fromStop);
        EXPECT_EQ((std::vector{settings_.segmentBegin, settings_.segmentEnd}), (std::vector{c.begin, c.end}));
        EXPECT_EQ(refusals(), c.refusals);
        EXPECT_TRUE(shows(c.shown));
    }
}

}  // namespace
}  // namespace kestrel
