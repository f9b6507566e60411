// The four menus of the setup dialogue. Every answer is the first letter of one console
// word, upper-cased; letters a menu does not offer are passed over without a word.
#include "setup/menus.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "analysis/run_settings.hpp"
#include "formats/settings_text.hpp"
#include "setup/console.hpp"
#include "setup/file_prompts.hpp"
#include "setup/reference_prompts.hpp"

namespace kestrel {

namespace {

constexpr const char* ContinuePrompt = "Type C<enter> to continue or Q<enter> to quit. > ";

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

void toggle(bool& flag) { flag = !flag; }

const char* yesNo(bool flag) { return flag ? "Yes" : "No"; }

NoncodingMode nextNoncodingMode(NoncodingMode mode) {
    switch (mode) {
        case NoncodingMode::Combined: return NoncodingMode::FlanksAndIntrons;
        case NoncodingMode::FlanksAndIntrons: return NoncodingMode::Separate;
        case NoncodingMode::Separate: break;
    }
    return NoncodingMode::Combined;
}

// Six significant digits, no trailing zeros: 0.01 shows as 0.01.
std::string generalNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

void promptMinimumRscu(Console& console, RunSettings& settings) {
    for (;;) {
        console.write("Minimum allowed RSCU value: ");
        const std::string word = console.readWord();
        if (isDecimalNumber(word)) {
            const double value = std::strtod(word.c_str(), nullptr);  // a lone point reads as 0
            if (value >= 0.0 && value < 1.0) {
                settings.minimumRscu = value;
                return;
            }
        }
        console.writeLine("\nBad number.  Try again.");
    }
}

void showMainMenu(Console& console, const RunSettings& s) {
    console.clearScreen();
    console.writeLine(padded("I  Input file:", 31) + s.lookupFileName);
    console.writeLine(padded("O  Output file:", 31) + s.outputFileName);
    console.writeLine(padded("T  Type of genome:", 31) + std::string(genomeTypeText(s.genomeType).menu));
    console.writeLine(padded("R  RSCU table used:", 31) + (s.rscuTableUsed ? s.rscuFileName : "None specified"));
    console.writeLine(padded("M  Minimum allowed RSCU value:", 31) +
                      (s.rscuTableUsed ? generalNumber(s.minimumRscu) : std::string("N/A")));
    console.writeLine(padded("P  Preferred codon list used:", 31) +
                      (s.preferredCodonListUsed ? s.preferredCodonFileName : "None specified"));
    console.writeLine("\nType the letter associated with the menu item you wish to change\n");
    console.write(ContinuePrompt);
}

// A whole number that fits a signed 32-bit integer; false for anything else.
bool readWholeNumber(const std::string& word, std::int32_t& value) {
    if (!isWholeNumber(word)) return false;
    std::int64_t v = 0;
    for (char c : word) {
        v = v * 10 + (c - '0');
        if (v > std::numeric_limits<std::int32_t>::max()) return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

void enterSegmentLimits(Console& console, RunSettings& s) {
    const bool stop = s.segmentRelativeToStop;
    console.writeLine(std::string("\nAnalysis Type: ") + (stop ? "relative to stop codon" : "relative to start codon"));
    for (;;) {
        console.write(std::string("\nSegment analysis begins ___ codon(s) ") +
                      (stop ? "upstream from stop [greater than 1]: " : "downstream from start: "));
        std::int32_t value = 0;
        // Counting from the start, the end must lie beyond the begin, so the largest
        // integer would leave no end that could ever be typed.
        if (readWholeNumber(console.readWord(), value) && value > (stop ? 1 : 0) &&
            (stop || value < std::numeric_limits<std::int32_t>::max())) {
            s.segmentBegin = value;
            break;
        }
        console.writeLine("\a\nBad number.  Try again.");
    }
    for (;;) {
        console.write(std::string("\nSegment analysis ends ___ codon(s) ") +
                      (stop ? "upstream from stop [less than " : "downstream from start [greater than ") +
                      std::to_string(s.segmentBegin) + "]: ");
        std::int32_t value = 0;
        if (readWholeNumber(console.readWord(), value) &&
            (stop ? value < s.segmentBegin : value > s.segmentBegin)) {
            s.segmentEnd = value;
            break;
        }
        console.writeLine("\a\nBad number.  Try again.");
    }
}

void showSegmentMenu(Console& console, const RunSettings& s) {
    const bool stop = s.segmentRelativeToStop;
    console.clearScreen();
    console.writeLine("SEGMENT ANALYSIS OPTIONS");
    console.writeLine("T Type of Analysis: " + std::string(segmentTypeText(stop)) + (stop ? "\n" : ""));
    console.writeLine("L Limits of segment analysis: ");
    console.writeLine("   " + std::to_string(s.segmentBegin) + std::string(segmentLimitText(stop, true)));
    console.writeLine("   " + std::to_string(s.segmentEnd) + std::string(segmentLimitText(stop, false)));
    console.writeLine("\nType T <enter> to change the type of analysis");
    console.writeLine("Type L to change the segment limits.");
    console.write("Type C <enter> to continue or Q<enter> to quit. > ");
}

void applyAnalysisOption(RunSettings& s, char letter) {
    switch (letter) {
        case 'Z': toggle(s.checkLookupTable); break;
        case 'S': toggle(s.segmentAnalysis); break;
        case '1': toggle(s.startCodonRequired); break;
        case '2': toggle(s.stopCodonRequired); break;
        case '3':
            toggle(s.allCodonsMustBeGood);
            if (s.allCodonsMustBeGood) s.startCodonRequired = s.stopCodonRequired = true;
            break;
        case '4': toggle(s.noAlternativeCds); break;
        case '5': toggle(s.noPrematureStops); break;
        case 'M': toggle(s.codonUsageOutput); break;
        case 'B': toggle(s.reportBaseUsage); break;
        case 'D': toggle(s.degeneracyBreakdown); break;
        case 'N': s.noncodingMode = nextNoncodingMode(s.noncodingMode); break;
        default: break;
    }
}

void showAnalysisOptions(Console& console, const RunSettings& s) {
    console.clearScreen();
    console.writeLine("Analysis Options\n");
    console.writeLine(std::string("Z Type of analysis: ") +
                      (s.checkLookupTable ? "Check Lookup Table\n" : "Analyze DNA sequences\n"));
    if (s.checkLookupTable) {
        console.writeLine("");
    } else {
        console.writeLine(std::string("S Segment Analysis: ") + (s.segmentAnalysis ? "yes" : "no"));
        console.writeLine("\nSTRINGENCY OPTIONS FOR CUMULATIVE CODON DATA");
        console.writeLine("1 Start Codon: " + std::string(codonRequiredText(s.startCodonRequired)));
        console.writeLine("2 Stop Codon:  " + std::string(codonRequiredText(s.stopCodonRequired)));
        console.writeLine("3 Overall:     " + std::string(allCodonsGoodText(s.allCodonsMustBeGood)));
        console.writeLine(std::string("4 ") + (s.noAlternativeCds ? "No alternative CDS products allowed"
                                                                  : "Alternative CDS products allowed"));
        console.writeLine(std::string("5 ") + (s.noPrematureStops ? "No premature stop codons allowed"
                                                                  : "Premature stop codons allowed"));
        console.writeLine("\n\nOUTPUT OPTIONS");
        console.writeLine(std::string("M Codon usage output: ") + (s.codonUsageOutput ? "Column format" : "No output"));
        console.writeLine(std::string("B Report usage of individual bases: ") + yesNo(s.reportBaseUsage));
        console.writeLine(std::string("D Break down base comp by degeneracy: ") + yesNo(s.degeneracyBreakdown));
        console.writeLine("N Analysis of Noncoding Sequence: " + std::string(noncodingModeText(s.noncodingMode).menu));
    }
    console.writeLine("\nType the letter associated with the menu item you wish to change.");
    console.write(ContinuePrompt);
}

}  // namespace

void mainMenu(Console& console, RunSettings& settings, ReferenceTables& references, OutputFile& output) {
    console.clearScreen();
    console.writeLine("KESTREL: codon usage analysis of protein-coding genes\n");

    bool lookupPending = true, outputPending = true, genomePending = false;
    bool rscuPending = false, minimumPending = false, preferredPending = false;
    for (;;) {
        if (lookupPending) promptLookupFile(console, settings);
        if (outputPending) promptOutputFile(console, settings, output);
        if (genomePending)
            settings.genomeType = settings.genomeType == GenomeType::Eukaryote ? GenomeType::Prokaryote
                                                                               : GenomeType::Eukaryote;
        if (rscuPending) {
            toggle(settings.rscuTableUsed);
            if (settings.rscuTableUsed) loadRscuTable(console, settings, references);
        }
        if (minimumPending) promptMinimumRscu(console, settings);
        if (preferredPending) {
            toggle(settings.preferredCodonListUsed);
            if (settings.preferredCodonListUsed) loadOptimalCodons(console, settings, references);
        }
        lookupPending = outputPending = genomePending = rscuPending = minimumPending = preferredPending = false;

        showMainMenu(console, settings);
        switch (console.readChoice("CIMOPRT")) {
            case 'C': return;
            case 'I': lookupPending = true; break;
            case 'O': outputPending = true; break;
            case 'T': genomePending = true; break;
            case 'R': rscuPending = true; break;
            case 'M': minimumPending = true; break;
            case 'P': preferredPending = true; break;
        }
    }
}

void analysisOptionsMenu(Console& console, RunSettings& s) {
    for (char last = 0; last != 'C'; last = console.readChoice("12345BCDMNSZ")) {
        applyAnalysisOption(s, last);
        showAnalysisOptions(console, s);
    }
}

void lookupCheckMenu(Console& console, RunSettings& s) {
    char last = 0;
    for (;;) {
        if (last == 'A') toggle(s.checkAlt);
        if (last == 'F') toggle(s.checkSequenceFile);
        if (last == 'S') toggle(s.checkCdsEnds);
        console.clearScreen();
        console.writeLine("Should the following be checked in the lookup file?\n");
        console.writeLine(std::string("A #alt=n                         ") + yesNo(s.checkAlt));
        console.writeLine(std::string("F Sequence file missing:         ") + yesNo(s.checkSequenceFile));
        console.writeLine(std::string("S no < or > in CDS array:        ") + yesNo(s.checkCdsEnds));
        console.writeLine("");
        console.writeLine("\nType the letter associated with the menu item you wish to change.");
        console.write(ContinuePrompt);
        last = console.readChoice("ACFS");
        if (last == 'C') return;
    }
}

void segmentAnalysisMenu(Console& console, RunSettings& s, ReferenceTables& references) {
    if (!s.preferredCodonListUsed) {
        console.clearScreen();
        console.writeLine("\nYou must enter the name of the .opt file listing codon preferences.");
        loadOptimalCodons(console, s, references);
        s.preferredCodonListUsed = true;
    }
    console.writeLine("\n");

    bool typeChange = false, limits = false;
    for (;;) {
        if (typeChange) {
            toggle(s.segmentRelativeToStop);
            limits = true;
            typeChange = false;
            enterSegmentLimits(console, s);
        } else if (limits) {
            enterSegmentLimits(console, s);
        }
        showSegmentMenu(console, s);
        const char answer = console.readChoice("CLT");
        if (answer == 'C') return;
        if (answer == 'T') typeChange = true;
        if (answer == 'L') limits = true;
    }
}

}  // namespace kestrel
