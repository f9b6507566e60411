#include "setup/menus.hpp"

#include <gtest/gtest.h>

#include "../control/scratch_path.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/reference_tables.hpp"
#include "control/halt.hpp"
#include "control/run_settings.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

const std::string Clear(50, '\n');
const std::string Continue = "Type C<enter> to continue or Q<enter> to quit. > ";

// Runs the dialogue in a scratch folder that holds genes.lookup, ref.scu and ref.opt.
class Menus : public InScratchFolder {
protected:
    Menus() : InScratchFolder("kestrel_menus") {}
    void SetUp() override {
        InScratchFolder::SetUp();
        std::ofstream("genes.lookup") << "#CDS 1..9\n";
        std::ofstream scu("ref.scu");
        scu << "reference counts #\n";
        for (int e = 0; e < 64; ++e) scu << "XXX Aaa " << e + 1 << "\n";
        std::ofstream opt("ref.opt");
        opt << "#\n";
        for (int e = 0; e < 64; ++e) opt << "XXX Aaa " << (e % 2) << "\n";
    }

    template <typename Menu>
    bool run(const std::string& answers, Menu menu) {
        std::istringstream in(answers);
        std::ostringstream out;
        Console console(in, out);
        bool halted = false;
        try {
            menu(console);
        } catch (const RunHalted&) {
            halted = true;
        }
        transcript_ = out.str();
        return halted;
    }
    bool main(const std::string& answers) {
        return run(answers, [&](Console& c) { mainMenu(c, settings_, references_); });
    }
    bool analysis(const std::string& answers) {
        return run(answers, [&](Console& c) { analysisOptionsMenu(c, settings_); });
    }
    bool segment(const std::string& answers) {
        return run(answers, [&](Console& c) { segmentAnalysisMenu(c, settings_, references_); });
    }
    std::size_t count(const std::string& text) const {
        std::size_t n = 0;
        for (std::size_t at = transcript_.find(text); at != std::string::npos; at = transcript_.find(text, at + 1)) ++n;
        return n;
    }

    RunSettings settings_;
    ReferenceTables references_;
    std::string transcript_;
};

std::string mainScreen(const std::string& output, const std::string& genome, const std::string& rscu,
                       const std::string& minimum, const std::string& preferred) {
    return Clear + "I  Input file:                 genes.lookup\n" + "O  Output file:                " + output + "\n" +
           "T  Type of genome:             " + genome + "\n" + "R  RSCU table used:            " + rscu + "\n" +
           "M  Minimum allowed RSCU value: " + minimum + "\n" + "P  Preferred codon list used:  " + preferred + "\n" +
           "\nType the letter associated with the menu item you wish to change\n\n" + Continue;
}

TEST_F(Menus, MainMenuAsksForTheFilesFirstAndShowsItsScreen) {
    EXPECT_FALSE(main("genes.lookup run yes c"));
    const std::string start = Clear + "KESTREL: codon usage analysis of protein-coding genes\n\n" +
                              "Name of input file (lookup table): " + "\nName of output file (.kstl suffix added): ";
    EXPECT_EQ(transcript_, start + mainScreen("run.kstl", "Eukaryote/virus", "None specified", "N/A", "None specified"));
    EXPECT_EQ(settings_.minimumRscu, 0.01);
    EXPECT_EQ(settings_.prokaryoteGenome, 0);
}

TEST_F(Menus, ReferenceTablesGenomeTypeAndTheMinimumRscu) {
    EXPECT_FALSE(main("genes.lookup run T R ref M 0.125 P ref C"));
    EXPECT_EQ(settings_.prokaryoteGenome, 1);
    EXPECT_EQ(settings_.rscuTableUsed, 1);
    EXPECT_EQ(settings_.rscuFileName, "ref.scu");
    EXPECT_EQ(settings_.preferredCodonFileName, "ref.opt");
    EXPECT_EQ(settings_.minimumRscu, 0.125);
    EXPECT_NE(transcript_.find(mainScreen("run.kstl", "prokaryote/phage", "ref.scu", "0.125", "ref.opt")),
              std::string::npos);
    EXPECT_NE(transcript_.find("\nPrefix for name of *.scu file (RSCU table):  "), std::string::npos);
    EXPECT_NE(transcript_.find("\nPrefix for name of *.opt file (preferred codons):  "), std::string::npos);
}

TEST_F(Menus, RTwiceTurnsTheTableOffAndMWithoutATableIsKept) {
    EXPECT_FALSE(main("genes.lookup run2 R ref R M .5 C"));
    EXPECT_EQ(settings_.rscuTableUsed, 0);
    EXPECT_EQ(settings_.minimumRscu, 0.5);
    const std::string last = mainScreen("run2.kstl", "Eukaryote/virus", "None specified", "N/A", "None specified");
    EXPECT_EQ(transcript_.substr(transcript_.size() - last.size()), last);
    EXPECT_EQ(count("\nPrefix for name of *.scu file (RSCU table):  "), 1u);
}

TEST_F(Menus, MinimumRscuValuesThatAreRefused) {
    EXPECT_FALSE(main("genes.lookup run3 M 1 1.0 5. 0.5.1 -0.1 q . C"));
    EXPECT_EQ(settings_.minimumRscu, 0.0);  // the lone point reads as 0
    EXPECT_EQ(count("\nBad number.  Try again.\n"), 6u);
    EXPECT_EQ(count("> Minimum allowed RSCU value: "), 1u);  // asked once after the menu, then again after each refusal
    EXPECT_FALSE(main("genes.lookup run4 M 0 C"));
    EXPECT_EQ(settings_.minimumRscu, 0.0);
}

TEST_F(Menus, IgnoredLettersAndQuit) {
    EXPECT_TRUE(main("genes.lookup run5 y 9 x Quit"));
    EXPECT_EQ(count("Type C<enter> to continue"), 1u);  // ignored answers do not redraw the menu
    EXPECT_TRUE(std::filesystem::exists("run5.kstl"));
    EXPECT_EQ(transcript_.substr(transcript_.size() - 17), "KESTREL halted.\n\n");
}

TEST_F(Menus, AnalysisOptionsDefaultsAndScreen) {
    EXPECT_FALSE(analysis("C"));
    const std::string screen =
        Clear + "Analysis Options\n\n" + "Z Type of analysis: Analyze DNA sequences\n\n" + "S Segment Analysis: no\n" +
        "\nSTRINGENCY OPTIONS FOR CUMULATIVE CODON DATA\n" + "1 Start Codon: required to include other codons\n" +
        "2 Stop Codon:  required to include other codons\n" + "3 Overall:     all of a gene's codons must be good\n" +
        "4 Alternative CDS products allowed\n" + "5 No premature stop codons allowed\n" + "\n\nOUTPUT OPTIONS\n" +
        "M Codon usage output: Column format\n" + "B Report usage of individual bases: No\n" +
        "D Break down base comp by degeneracy: No\n" +
        "N Analysis of Noncoding Sequence: separate upstream, core intron and downstream\n" +
        "\nType the letter associated with the menu item you wish to change.\n" + Continue;
    EXPECT_EQ(transcript_, screen);
    const RunSettings& s = settings_;
    EXPECT_EQ(s.checkLookupTable + s.segmentAnalysis + s.reportBaseUsage + s.degeneracyBreakdown + s.noAlternativeCds, 0);
    EXPECT_EQ(s.startCodonRequired + s.stopCodonRequired + s.allCodonsMustBeGood + s.noPrematureStops + s.codonUsageOutput, 5);
    EXPECT_EQ(s.noncodingMode, 2);
}

TEST_F(Menus, AnalysisToggleRules) {
    // 3 off leaves 1 and 2; 1 and 2 off; 3 on again forces both back on.
    EXPECT_FALSE(analysis("3 1 2 3 c"));
    EXPECT_EQ(settings_.allCodonsMustBeGood, 1);
    EXPECT_EQ(settings_.startCodonRequired, 1);
    EXPECT_EQ(settings_.stopCodonRequired, 1);
    EXPECT_FALSE(analysis("3 1 2 C"));
    EXPECT_EQ(settings_.allCodonsMustBeGood + settings_.startCodonRequired + settings_.stopCodonRequired, 0);
    EXPECT_NE(transcript_.find("1 Start Codon: not required to included other codons\n"), std::string::npos);
    EXPECT_FALSE(analysis("N n 6 7 8 9 m b d 4 5 C"));
    EXPECT_EQ(settings_.noncodingMode, 1);
    EXPECT_NE(transcript_.find("N Analysis of Noncoding Sequence: combine all NC sequence\n"), std::string::npos);
    EXPECT_EQ(settings_.codonUsageOutput, 0);
    EXPECT_EQ(settings_.reportBaseUsage + settings_.degeneracyBreakdown + settings_.noAlternativeCds, 3);
    EXPECT_EQ(settings_.noPrematureStops, 0);
}

TEST_F(Menus, CheckModeHidesButKeepsTheOptions) {
    EXPECT_FALSE(analysis("S Z S S C"));
    EXPECT_EQ(settings_.checkLookupTable, 1);
    EXPECT_EQ(settings_.segmentAnalysis, 1);
    const std::string shortScreen = Clear + "Analysis Options\n\nZ Type of analysis: Check Lookup Table\n\n\n" +
                                    "\nType the letter associated with the menu item you wish to change.\n" + Continue;
    EXPECT_EQ(transcript_.substr(transcript_.size() - shortScreen.size()), shortScreen);
    settings_.checkLookupTable = 0;
}

TEST_F(Menus, LookupCheckMenu) {
    EXPECT_FALSE(run("S a f F C", [&](Console& c) { lookupCheckMenu(c, settings_); }));
    EXPECT_EQ(settings_.checkAlt, 1);
    EXPECT_EQ(settings_.checkSequenceFile, 0);
    EXPECT_EQ(settings_.checkCdsEnds, 0);
    const std::string first = Clear + "Should the following be checked in the lookup file?\n\n" +
                              "A #alt=n                         No\n" + "F Sequence file missing:         No\n" +
                              "S no < or > in CDS array:        Yes\n\n" +
                              "\nType the letter associated with the menu item you wish to change.\n" + Continue;
    EXPECT_EQ(transcript_.substr(0, first.size()), first);
}

TEST_F(Menus, SegmentMenuForcesThePreferredCodonListAndChecksItsBounds) {
    EXPECT_FALSE(segment("ref C"));
    EXPECT_EQ(settings_.preferredCodonListUsed, 1);
    EXPECT_EQ(settings_.preferredCodonFileName, "ref.opt");
    const std::string start = Clear + "\nYou must enter the name of the .opt file listing codon preferences.\n" +
                              "\nPrefix for name of *.opt file (preferred codons):  " + "\n\n";
    const std::string screen = Clear + "SEGMENT ANALYSIS OPTIONS\n" +
                               "T Type of Analysis: analyze segment relative to start codon\n" +
                               "L Limits of segment analysis: \n" + "   1 codon(s) dowmstream from start to\n" +
                               "   10 codon(s) dowmstream from start\n" +
                               "\nType T <enter> to change the type of analysis\n" +
                               "Type L to change the segment limits.\n" +
                               "Type C <enter> to continue or Q<enter> to quit. > ";
    EXPECT_EQ(transcript_, start + screen);

    // Relative to the stop codon: begin 1 refused, 50 taken; end 50 refused, 0 taken.
    EXPECT_FALSE(segment("T 1 50 50 x 0 C"));
    EXPECT_EQ(settings_.segmentRelativeToStop, 1);
    EXPECT_EQ(settings_.segmentBegin, 50);
    EXPECT_EQ(settings_.segmentEnd, 0);
    EXPECT_EQ(count("\a\nBad number.  Try again.\n"), 3u);
    EXPECT_NE(transcript_.find("\nSegment analysis begins ___ codon(s) upstream from stop [greater than 1]: "),
              std::string::npos);
    EXPECT_NE(transcript_.find("\nSegment analysis ends ___ codon(s) upstream from stop [less than 50]: "),
              std::string::npos);
    EXPECT_NE(transcript_.find("T Type of Analysis: analyze segment relative to stop codon\n\nL Limits"),
              std::string::npos);

    // Relative to the start: begin 0 refused, end equal to begin refused, numbers too
    // large for 32 bits refused; T twice returns to the start codon.
    EXPECT_FALSE(segment("L 0 5 5 99999999999 6 T 3 2 T 2 3 C"));
    EXPECT_EQ(settings_.segmentRelativeToStop, 0);
    EXPECT_EQ(settings_.segmentBegin, 2);
    EXPECT_EQ(settings_.segmentEnd, 3);
    EXPECT_EQ(count("\a\nBad number.  Try again.\n"), 3u);
    EXPECT_EQ(count("\nAnalysis Type: relative to start codon\n"), 2u);
}

TEST_F(Menus, EndOfInputAtAnyMenuHalts) {
    EXPECT_TRUE(main("genes.lookup run6"));
    EXPECT_TRUE(analysis(""));
    EXPECT_TRUE(segment("ref T 5"));
    EXPECT_NE(transcript_.find("\a\nEND OF INPUT.\nKESTREL halted.\n\n"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
