#include "formats/reference_file.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "analysis/codon_letters.hpp"

namespace kestrel {
namespace {

// A reference file's body: entry e is two words and valueOf(e); lines are free, so some entries span two.
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

TEST(ReferenceFile, EntriesAreStoredByCodonInTheFilesTableOrder) {
    // Free text, an empty line, a long line, and a "#" in mid-line whose rest is not data.
    std::istringstream file("Highly expressed genes\n\n" + std::string(20000, 'x') + "\nentries follow # AAA Lys 99\r\n" +
                            entries([](int e) { return e == 63 ? -1 : e + 1; }));
    auto values = filled(-7);
    ASSERT_TRUE(readReferenceEntries(file, values));
    // Entries 0, 1, 4, 7, 16 and 63 are AAA, AGA, AAG, ATG, GAA and TTT.
    const auto at = [&](const char* letters) { return values[codonOfLetters(letters)]; };
    EXPECT_EQ((std::array{at("AAA"), at("AGA"), at("AAG"), at("ATG"), at("GAA"), at("TTT")}),
              (std::array{1, 2, 5, 8, 17, -1}));
}

TEST(ReferenceFile, AnUnreadableFileLeavesEveryValueAsItWas) {
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

TEST(ReferenceFile, WhatIsWrittenReadsBack) {
    std::array<std::int32_t, 64> values;
    for (int c = 0; c < 64; ++c) values[c] = 1000 * c - 7;
    std::ostringstream out;
    ASSERT_TRUE(writeReferenceFile(out, "Reference set\nof two lines", values));
    EXPECT_TRUE(out.str().starts_with("Reference set\nof two lines\n#\nAAA Lys    -7   AGA Arg  3993   ACA Thr  7993   "
                                      "ATA Ile 11993\nAAG Lys   993   "));
    std::istringstream in(out.str());
    auto read = filled(0);
    ASSERT_TRUE(readReferenceEntries(in, read));
    EXPECT_EQ(read, values);
    std::ostringstream refused;
    EXPECT_FALSE(writeReferenceFile(refused, "a # in the title", values));
    EXPECT_EQ(refused.str(), "");
}

}  // namespace
}  // namespace kestrel
