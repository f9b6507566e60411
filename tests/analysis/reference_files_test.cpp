#include "formats/reference_file.hpp"

#include <gtest/gtest.h>

#include "../control/scratch_path.hpp"

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "analysis/cai_weights.hpp"
#include "analysis/genetic_code.hpp"
#include "analysis/run_settings.hpp"
#include "setup/console.hpp"
#include "setup/reference_prompts.hpp"

namespace kestrel {
namespace {

// The body of a reference file: entry e has two words and the value valueOf(e). The grouping
// into lines is free, so some entries run on over a line end.
template <typename ValueOf>
std::string entries(ValueOf valueOf, int count = 64) {
    std::string text;
    for (int e = 0; e < count; ++e)
        text += (e % 7 == 0 ? "Xxx Xaa\r\n" : "Xxx Xaa ") + std::to_string(valueOf(e)) + (e % 4 == 3 ? "\n" : "  ");
    return text;
}

std::array<std::int32_t, 64> filled(std::int32_t value) {
    std::array<std::int32_t, 64> values;
    values.fill(value);
    return values;
}

TEST(ReferenceEntries, StoredByCodonIndexInTheFilesTableOrder) {
    // Free text, an empty line, a long line, and a "#" in mid-line whose rest is not data.
    std::istringstream file("Highly expressed genes\n\n" + std::string(20000, 'x') + "\nentries follow # AAA Lys 99\r\n" +
                            entries([](int e) { return e == 63 ? -1 : e + 1; }));
    auto values = filled(-7);
    ASSERT_TRUE(readReferenceEntries(file, values));
    // AAA, AGA, AAG, ATG, GAA and TTT are entries 0, 1, 4, 7, 16 and 63; no value is checked.
    EXPECT_EQ((std::array{values[0], values[4], values[1], values[13], values[16], values[63]}),
              (std::array{1, 2, 5, 8, 17, -1}));
}

TEST(ReferenceEntries, AnUnreadableFileLeavesEveryValueAsItWas) {
    const auto threes = [](int count) { return entries([](int) { return 3; }, count); };
    const std::string noHeader = threes(64), shortFile = "#\n" + threes(63);
    const std::string wordForNumber = "#\n" + threes(10) + "AAA Lys many\n" + threes(53);
    const std::string tooLarge = "#\n" + threes(63) + "TTT Phe 99999999999\n";
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
    for (int unweighted : {CodonIndex(0, 3, 1), CodonIndex(3, 1, 1), CodonIndex(3, 0, 0)})
        EXPECT_EQ(weights[unweighted], 0.0);
    // Cys is absent from the reference: 0/0. Asp's largest count is floored at 0.
    EXPECT_TRUE(std::isnan(weights[CodonIndex(3, 1, 2)]));
    EXPECT_TRUE(std::isnan(weights[CodonIndex(1, 0, 3)]));
    EXPECT_EQ(weights[CodonIndex(1, 0, 2)], -INFINITY);
}

class ReferenceLoaders : public InScratchFolder {
protected:
    ReferenceLoaders() : InScratchFolder("kestrel_reference_loaders") {}
};

// A folder of the file's name is refused like a missing file; words other than C or Q are
// ignored, and Q halts with the table as it was.
TEST_F(ReferenceLoaders, AFolderIsRefusedAndQuitKeepsTheTable) {
    std::filesystem::create_directories("folder.opt");
    RunSettings settings;
    ReferenceTables references;
    references.optimalCodonFlags.fill(9);
    std::istringstream in("folder x quit");
    std::ostringstream out;
    Console console(in, out);
    EXPECT_THROW(loadOptimalCodons(console, settings, references), RunHalted);
    EXPECT_NE(out.str().find("\aPROBLEM OPENING THE FILE folder.opt.\n"), std::string::npos);
    EXPECT_EQ(references.optimalCodonFlags, filled(9));
}

}  // namespace
}  // namespace kestrel
