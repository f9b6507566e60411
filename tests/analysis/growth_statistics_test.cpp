// The growth statistics and the growth model on hand-worked cases.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/growth_model.hpp"
#include "analysis/growth_statistics.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

const GeneticCode Code11 = *geneticCodeOf(11);

TEST(GrowthStatistics, FilterAndFamilies) {
    const std::string codons80 = [] {
        std::string s;
        for (int i = 0; i < 80; ++i) s += "GCT";
        return s;
    }();
    EXPECT_FALSE(passesGrowthFilter(codons80));  // 240 nt
    EXPECT_TRUE(passesGrowthFilter(codons80 + "taa"));
    EXPECT_FALSE(passesGrowthFilter(codons80 + "TAAG"));
    EXPECT_FALSE(passesGrowthFilter(codons80 + "TNA"));
    EXPECT_FALSE(passesGrowthFilter(codons80 + "TUA"));

    // Code 11: the seven initiation codons make Met; Ile has none left, Leu and Val lose one each.
    const GrowthFamilies f11 = growthFamilies(Code11);
    EXPECT_EQ(f11.size[Met], 7);
    EXPECT_EQ(f11.size[Leu], 4);
    EXPECT_EQ(f11.size[Val], 3);
    EXPECT_EQ(f11.size[Ile], 0);
    EXPECT_EQ(f11.size[Stp], 3);
    EXPECT_EQ(f11.classOf[codon("CTG")], Met);
    // Code 4: TTA also starts genes, and TGA is Trp.
    const GrowthFamilies f4 = growthFamilies(*geneticCodeOf(4));
    EXPECT_EQ(f4.size[Met], 8);
    EXPECT_EQ(f4.size[Leu], 3);
    EXPECT_EQ(f4.size[Trp], 2);
    EXPECT_EQ(f4.size[Stp], 2);
}

TEST(GrowthStatistics, MilcCountsStartAndStopFamilies) {
    // K: 2*3 ln((3/4)/(2/4)) + 2*1 ln((1/4)/(2/4)); stop: 2*1 ln(1/(1/2)); Met: 0. The sum is
    // 6 ln 1.5 over L = 6, less the correction (6 + 1 + 2) / 6 - 0.5.
    const auto gene = codonCounts("ATG 1 AAA 3 AAG 1 TAA 1");
    std::array<double, 64> reference{};
    for (const auto& [letters, n] : {std::pair{"ATG", 1}, {"AAA", 2}, {"AAG", 2}, {"TAA", 1}, {"TAG", 1}})
        reference[codon(letters)] = n;
    EXPECT_NEAR(growthMilc(gene, reference, growthFamilies(Code11)), std::log(1.5) - 1.0, 1e-14);
}

TEST(GrowthStatistics, CubheIsAMedianAndConsistencyAMean) {
    // A and B use AAA and AAG equally, so that against the HE genes only the corrections
    // remain: (6+1+2)/4 - 0.5 = 1.75 and (6+1+2)/6 - 0.5 = 1. C moves the genome's K shares to
    // 5/8 and 3/8, which adds 2 ln(16/15) / 4 to A's MILC and 4 ln(16/15) / 6 to B's.
    const std::vector<GeneCodonCounts> genes{codonCounts("ATG 1 AAA 1 AAG 1 TAA 1"),
                                             codonCounts("ATG 1 AAA 2 AAG 2 TAA 1"),
                                             codonCounts("ATG 1 AAA 2 TAA 1")};
    const GrowthFamilies families = growthFamilies(Code11);
    const HighExpressionBias both = highExpressionBias(genes, {0, 1}, families);
    EXPECT_NEAR(*both.consistencyHe, -1.375, 1e-14);
    EXPECT_NEAR(*both.cubHe, 7.0 / 12.0 * std::log(16.0 / 15.0) - 1.375, 1e-14);
    EXPECT_NEAR(*highExpressionBias(genes, {0}, families).cubHe, 0.5 * std::log(16.0 / 15.0) - 1.75, 1e-14);
    const HighExpressionBias none = highExpressionBias(genes, {}, families);
    EXPECT_FALSE(none.cubHe || none.consistencyHe);
}

TEST(GrowthStatistics, CodonPairBiasAsPublishedAndPlain) {
    // ATG CTG TAA | ATG TTA TAA: as published CTG is in class M while n(M) counts the two ATG,
    // so four of the five pairs score ln 2 and the fifth 0; the plain translation scores 0.
    const std::vector<std::string_view> genes{"ATGCTGTAA", "ATGTTATAA"};
    EXPECT_NEAR(*codonPairBias(genes, Code11, PairClasses::AsPublished), std::log(2.0), 1e-14);
    EXPECT_NEAR(*codonPairBias(genes, Code11, PairClasses::Plain), 0.0, 1e-14);
    // The first codon of all counts as a start: n(M) = 2 (GTG, ATG), n(V) = 2; only the
    // pair (TAA, ATG) scores, ln 2, over the four distinct pairs less one.
    EXPECT_NEAR(*codonPairBias({"GTGGTTTAA", "ATGGTTTAA"}, Code11, PairClasses::AsPublished), std::log(2.0) / 3,
                1e-14);
    // No value: one distinct pair; a class without an amino-acid count (CTG as M, no ATG at all).
    EXPECT_FALSE(codonPairBias({"ATGTAA"}, Code11, PairClasses::AsPublished));
    EXPECT_FALSE(codonPairBias({"ATGNNNAAATAA"}, Code11, PairClasses::Plain));
    EXPECT_FALSE(codonPairBias({"AAACTGTAA", "AAACTGTAA"}, Code11, PairClasses::AsPublished));
    EXPECT_TRUE(codonPairBias({"AAACTGTAA", "AAACTGTAA"}, Code11, PairClasses::Plain));
    EXPECT_FALSE(codonPairBias({}, Code11, PairClasses::Plain));
}

TEST(GrowthModel, PredictionAndInterval) {
    // E. coli K-12 with its ribosomal proteins as the HE genes, worked through by hand from
    // the published fit: y = x.b, se = sqrt(x'Vx), y -+ t se, d = (1 + lambda y)^(1/lambda).
    const std::array<double, 4> ecoli{0.834761427004474, 0.50960432073319, -0.355979321957904, 37};
    const GrowthPrediction base = predictDoublingTime(BaseGrowthModel, ecoli);
    EXPECT_NEAR(base.fit, -0.361053079700, 1e-11);
    EXPECT_NEAR(base.standardError, 0.0844367101315, 1e-12);
    EXPECT_NEAR(*base.d, 0.703183, 1e-6);
    EXPECT_NEAR(*base.lower, 0.601438, 1e-6);
    EXPECT_NEAR(*base.upper, 0.825049, 1e-6);
    const GrowthPrediction warm = predictDoublingTime(TemperatureGrowthModel, ecoli);
    EXPECT_NEAR(*warm.d, 0.692868, 1e-6);
    EXPECT_NEAR(*warm.lower, 0.598742, 1e-6);
    EXPECT_NEAR(*warm.upper, 0.804262, 1e-6);

    EXPECT_DOUBLE_EQ(*inverseBoxCox(0, BaseGrowthModel.lambda), 1.0);
    EXPECT_FALSE(inverseBoxCox(7.08, BaseGrowthModel.lambda));  // 1 + lambda y < 0
    // Beyond y = 7.07 no time is finite.
    const GrowthPrediction beyond = predictDoublingTime(BaseGrowthModel, {0, 0.6, 0, 0});
    EXPECT_FALSE(beyond.d || beyond.upper);
}

}  // namespace
}  // namespace kestrel
