#include "output/run_summary.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "analysis/genetic_code.hpp"

namespace kestrel {
namespace {

int codon(const char* letters) {
    return CodonIndex(baseIndex(letters[0]), baseIndex(letters[1]), baseIndex(letters[2]));
}

std::string summary(const CumulativeCounts& cumulative) {
    std::ostringstream out;
    writeRunSummary(out, cumulative);
    return out.str();
}

TEST(RunSummary, CountsSharesAndTallies) {
    CumulativeCounts cumulative;
    cumulative.genesIncluded = 4;
    cumulative.genesExcluded = 1;
    cumulative.cumBadCodons = 7;
    cumulative.cumCodonCount[codon("GCA")] = 120;
    cumulative.cumCodonCount[codon("GCG")] = 30;
    cumulative.cumCodonCount[codon("GCT")] = 50;
    cumulative.cumCodonCount[codon("ATG")] = 9;
    cumulative.cumCodonCount[codon("TAA")] = 3;  // listed nowhere but under STOP tallies
    cumulative.startTally = {3, 1, 0, 0, 0, 0, 0};
    cumulative.stopTally = {4, 0, 0};
    const std::string text = summary(cumulative);
    const std::string head =
        "\n\nNumber of Genes in Cumulative Counts: 4\nNumber of Excluded Genes: 1\nAla\n"
        "  GCA      120  (0.600)\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("Ala\n  GCA      120  (0.600)\n  GCG       30  (0.150)\n"
                        "  GCC        0  (0.000)\n  GCT       50  (0.250)\nArg\n"),
              std::string::npos);
    EXPECT_NE(text.find("Met\n  ATG        9  (1.000)\nPhe\n"), std::string::npos);
    EXPECT_NE(text.find("Val\n  GTA        0  (   nc)\n"), std::string::npos);
    EXPECT_NE(text.find("Leu\n  CTA        0  (   nc)\n  CTG        0  (   nc)\n"
                        "  CTC        0  (   nc)\n  CTT        0  (   nc)\n"
                        "  TTA        0  (   nc)\n  TTG        0  (   nc)\nLys\n"),
              std::string::npos);
    const std::string tail =
        "  GTT        0  (   nc)\n"
        "START\n"
        "  ATG        3  (0.750)\n  GTG        1  (0.250)\n  CTG        0  (0.000)\n"
        "  TTG        0  (0.000)\n  ATA        0  (0.000)\n  ATC        0  (0.000)\n"
        "  ATT        0  (0.000)\n"
        "STOP\n"
        "  TAA        4  (1.000)\n  TAG        0  (0.000)\n  TGA        0  (0.000)\n"
        "\nBad codons: 7\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(RunSummary, TwentyBlocksOfSixtyOneCodonLinesAndNoIncludedGene) {
    CumulativeCounts cumulative;
    cumulative.genesExcluded = 2;
    const std::string text = summary(cumulative);
    int codonLines = 0;
    int blocks = 0;
    std::istringstream lines(text);
    std::string line;
    bool inTallies = false;
    while (std::getline(lines, line)) {
        if (line == "START") inTallies = true;
        if (line.size() == 3 && !inTallies) ++blocks;
        if (line.rfind("  ", 0) == 0 && !inTallies) ++codonLines;
    }
    EXPECT_EQ(blocks, 20);
    EXPECT_EQ(codonLines, 61);
    EXPECT_EQ(text.find("  TAA"), text.find("STOP\n") + 5);
    EXPECT_NE(text.find("START\n  ATG        0  (   nc)\n"), std::string::npos);
    // Counts wider than their field are written whole.
    cumulative.genesIncluded = 1;
    cumulative.cumCodonCount[codon("TGG")] = 1234567890123;
    EXPECT_NE(summary(cumulative).find("Trp\n  TGG 1234567890123  (1.000)\n"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
