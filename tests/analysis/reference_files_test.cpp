#include "analysis/reference_files.hpp"

#include <gtest/gtest.h>

#include "../control/scratch_path.hpp"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "analysis/codon_bias.hpp"
#include "analysis/genetic_code.hpp"
#include "control/halt.hpp"
#include "control/run_settings.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

// The body of a reference file: entry e is written as codon, a placeholder amino acid and
// valueOf(e), in file order (first base, then third base, then second base).
template <typename ValueOf>
std::string entries(ValueOf valueOf, int count = 64) {
    std::string text;
    for (int e = 0; e < count; ++e) {
        const char codon[] = {BaseLetters[e / 16], BaseLetters[e % 4], BaseLetters[(e / 4) % 4], '\0'};
        text += std::string(codon) + " Xaa " + std::to_string(valueOf(e)) + (e % 4 == 3 ? "\n" : "  ");
    }
    return text;
}

std::array<std::int32_t, 64> filled(std::int32_t value) {
    std::array<std::int32_t, 64> values;
    values.fill(value);
    return values;
}

TEST(ReferenceEntries, StoredByCodonIndexInTheFilesTableOrder) {
    // Free text, an empty line, and a "#" in mid-line whose rest is not data.
    std::istringstream file("Highly expressed genes\n\nentries follow # AAA Lys 99\n" +
                            entries([](int e) { return e + 1; }));
    auto values = filled(-1);
    ASSERT_TRUE(readReferenceEntries(file, values));
    EXPECT_EQ(values[0], 1);    // AAA, entry 0
    EXPECT_EQ(values[4], 2);    // AGA, entry 1
    EXPECT_EQ(values[1], 5);    // AAG, entry 4
    EXPECT_EQ(values[13], 8);   // ATG, entry 7
    EXPECT_EQ(values[16], 17);  // GAA, entry 16
    EXPECT_EQ(values[63], 64);  // TTT, the last entry
}

TEST(ReferenceEntries, EntriesMayBeGroupedFreelyAndLinesMayBeLong) {
    std::string text = std::string(20000, 'x') + "#\r\n";
    for (int e = 0; e < 64; ++e) text += "c a\n" + std::to_string(e) + (e % 7 == 0 ? "\r\n" : " ");
    std::istringstream file(text);
    auto values = filled(-1);
    ASSERT_TRUE(readReferenceEntries(file, values));
    EXPECT_EQ(values[4], 1);
    EXPECT_EQ(values[63], 63);
}

TEST(ReferenceEntries, AnUnreadableFileLeavesEveryValueAsItWas) {
    const std::string noHeader = entries([](int) { return 3; });
    const std::string shortFile = "#\n" + entries([](int) { return 3; }, 63);
    const std::string wordForNumber = "#\n" + entries([](int) { return 3; }, 10) + "AAA Lys many\n" +
                                      entries([](int) { return 3; }, 53);
    const std::string tooLarge = "#\n" + entries([](int) { return 3; }, 63) + "TTT Phe 99999999999\n";
    for (const std::string& text : {std::string(), noHeader, shortFile, wordForNumber, tooLarge}) {
        std::istringstream file(text);
        auto values = filled(7);
        EXPECT_FALSE(readReferenceEntries(file, values)) << text.substr(0, 40);
        EXPECT_EQ(values, filled(7));
    }
}

TEST(CaiWeights, EachCountOverTheLargestOfItsAminoAcid) {
    ReferenceCounts counts{};
    counts[CodonIndex(1, 2, 0)] = 10;  // GCA Ala
    counts[CodonIndex(1, 2, 1)] = 40;  // GCG Ala
    counts[CodonIndex(0, 3, 1)] = 50;  // ATG Met
    counts[CodonIndex(3, 1, 1)] = 50;  // TGG Trp
    counts[CodonIndex(3, 0, 0)] = 50;  // TAA stop
    counts[CodonIndex(1, 0, 2)] = -5;  // GAC Asp, GAT left at 0
    CaiWeights weights{};
    computeCaiWeights(counts, weights);
    EXPECT_DOUBLE_EQ(weights[CodonIndex(1, 2, 0)], 0.25);
    EXPECT_DOUBLE_EQ(weights[CodonIndex(1, 2, 1)], 1.0);
    EXPECT_DOUBLE_EQ(weights[CodonIndex(1, 2, 2)], 0.0);
    EXPECT_EQ(weights[CodonIndex(0, 3, 1)], 0.0);
    EXPECT_EQ(weights[CodonIndex(3, 1, 1)], 0.0);
    EXPECT_EQ(weights[CodonIndex(3, 0, 0)], 0.0);
    // Cys is absent from the reference: 0/0. Asp's largest count is floored at 0.
    EXPECT_TRUE(std::isnan(weights[CodonIndex(3, 1, 2)]));
    EXPECT_TRUE(std::isnan(weights[CodonIndex(1, 0, 3)]));
    EXPECT_EQ(weights[CodonIndex(1, 0, 2)], -INFINITY);
}

TEST(OptimalCodons, OnlyTheValueOneMarksACodonOptimal) {
    // GCA 1, GCG 2, GCC 0, GCT -1 (entries 18, 22, 26, 30); the gene uses each Ala codon once.
    std::istringstream file("#\n" + entries([](int e) { return e == 18 ? 1 : e == 22 ? 2 : e == 30 ? -1 : 0; }));
    ReferenceTables references;
    ASSERT_TRUE(readReferenceEntries(file, references.optimalCodonFlags));
    ASSERT_EQ(references.optimalCodonFlags[CodonIndex(1, 2, 1)], 2);
    GeneCounts counts;
    for (int third = 0; third < 4; ++third) counts.codonCount[CodonIndex(1, 2, third)] = 1;
    RunSettings settings;
    settings.preferredCodonListUsed = 1;
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    CodonBiasResults results;
    bool pending = false;
    computeCodonBias(counts, settings, references, pending, "gene", console, results);
    EXPECT_DOUBLE_EQ(results.Fop, 0.25);
}

// The loaders' console dialogue, in a scratch folder.
class ReferenceLoaders : public InScratchFolder {
protected:
    ReferenceLoaders() : InScratchFolder("kestrel_reference_loaders") {}
    void SetUp() override {
        InScratchFolder::SetUp();
        std::filesystem::create_directories("folder.scu");
        // Ala: GCA 10, GCG 40; every other codon 1.
        std::ofstream("ref.scu") << "#\n" << entries([](int e) { return e == 18 ? 10 : e == 22 ? 40 : 1; });
        std::ofstream("nohash.scu") << entries([](int) { return 2; });
        std::ofstream("short.opt") << "#\n" << entries([](int) { return 1; }, 40);
        references_.referenceCounts.fill(9);
        references_.caiWeights.fill(0.5);
        references_.optimalCodonFlags.fill(9);
    }

    template <typename Loader>
    bool run(const std::string& answers, Loader loader) {
        std::istringstream in(answers);
        std::ostringstream out;
        Console console(in, out);
        bool halted = false;
        try {
            loader(console, settings_, references_);
        } catch (const RunHalted&) {
            halted = true;
        }
        transcript_ = out.str();
        return halted;
    }

    RunSettings settings_;
    ReferenceTables references_;
    std::string transcript_;
};

const std::string ScuPrompt = "\nPrefix for name of *.scu file (RSCU table):  ";
const std::string Question = "TYPE Q <enter> TO QUIT.\nOR TYPE C <enter> TO CONTINUE.> ";

TEST_F(ReferenceLoaders, MissingAndUnreadableFilesThenAGoodOne) {
    EXPECT_FALSE(run("missing yes C folder c nohash Continue ref", loadRscuTable));
    EXPECT_EQ(transcript_, ScuPrompt + "\aPROBLEM OPENING THE FILE missing.scu.\nTHE FILE MAY NOT EXIST.\n" + Question +
                               "\n\n" + ScuPrompt + "\aPROBLEM OPENING THE FILE folder.scu.\nTHE FILE MAY NOT EXIST.\n" +
                               Question + "\n\n" + ScuPrompt + "\aPROBLEM READING THE FILE nohash.scu.\n" +
                               "IT NEEDS A LINE WITH # FOLLOWED BY 64 CODON ENTRIES.\n" + Question + "\n\n" + ScuPrompt);
    EXPECT_EQ(settings_.rscuFileName, "ref.scu");
    EXPECT_EQ(references_.referenceCounts[CodonIndex(1, 2, 1)], 40);
    EXPECT_DOUBLE_EQ(references_.caiWeights[CodonIndex(1, 2, 0)], 0.25);
    EXPECT_DOUBLE_EQ(references_.caiWeights[CodonIndex(1, 2, 2)], 0.025);
    EXPECT_EQ(references_.optimalCodonFlags, filled(9));
}

TEST_F(ReferenceLoaders, QuitAfterAShortFileKeepsTheOldTable) {
    EXPECT_TRUE(run("short x quit", loadOptimalCodons));
    EXPECT_EQ(transcript_, "\nPrefix for name of *.opt file (preferred codons):  "
                           "\aPROBLEM READING THE FILE short.opt.\n"
                           "IT NEEDS A LINE WITH # FOLLOWED BY 64 CODON ENTRIES.\n" +
                               Question + "KESTREL halted.\n\n");
    EXPECT_EQ(references_.optimalCodonFlags, filled(9));
    EXPECT_TRUE(run("missing q", loadRscuTable));
    EXPECT_EQ(references_.referenceCounts, filled(9));
    EXPECT_EQ(references_.caiWeights[0], 0.5);
}

}  // namespace
}  // namespace kestrel
