#include "analysis/set_comparison.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "test_support.hpp"

namespace kestrel {
namespace {

const GeneticCode& code = StandardCode;

TEST(FisherExact, HandWorkedTables) {
    // [[3, 1], [1, 3]]: the tables of these margins have probabilities C(4, x)^2 / 70 = 1, 16, 36, 16, 1 / 70;
    // those at most as probable as x = 3: 34/70.
    FisherResult r = fisherExact({3, 1, 1, 3});
    EXPECT_NEAR(r.p, 34.0 / 70, 1e-15);
    EXPECT_EQ(r.oddsRatio, 9);
    // [[1, 9], [11, 3]]: C(10, x) C(14, 12 - x) / C(24, 12); x = 0, 1, 9, 10 give 91, 3640, 3640, 91 of 2704156.
    r = fisherExact({1, 9, 11, 3});
    EXPECT_NEAR(r.p, 7462.0 / 2704156, 1e-17);
    EXPECT_NEAR(r.oddsRatio, 3.0 / 99, 1e-17);
    // [[5, 0], [3, 4]]: x = 1 .. 5 with 5, 70, 210, 175, 35 of 495; an empty cell makes the odds ratio infinite.
    r = fisherExact({5, 0, 3, 4});
    EXPECT_NEAR(r.p, 40.0 / 495, 1e-16);
    EXPECT_TRUE(std::isinf(r.oddsRatio));
    // The two most extreme tables, 1/252 each; the odds ratio 0.
    r = fisherExact({0, 5, 5, 0});
    EXPECT_NEAR(r.p, 2.0 / 252, 1e-17);
    EXPECT_EQ(r.oddsRatio, 0);
    // An empty row or column: nothing to test.
    for (const TwoByTwoTable& empty : {TwoByTwoTable{2, 0, 0, 0}, TwoByTwoTable{0, 3, 0, 4}, TwoByTwoTable{}}) {
        r = fisherExact(empty);
        EXPECT_EQ(r.p, 1);
        EXPECT_TRUE(std::isnan(r.oddsRatio));
    }
    // The table at the mode, and tables as probable as it within 1e-14: p = 1.
    EXPECT_EQ(fisherExact({4, 4, 4, 4}).p, 1);
    EXPECT_EQ(fisherExact({7, 3, 7, 3}).p, 1);
}

TEST(FisherExact, LargeTablesKeepTheirPrecisionAndSymmetry) {
    // Swapping the rows, or the columns, is the same test.
    const TwoByTwoTable t{213, 560, 26681, 99439};
    const double p = fisherExact(t).p;
    EXPECT_NEAR(fisherExact({26681, 99439, 213, 560}).p / p, 1, 1e-12);
    EXPECT_NEAR(fisherExact({560, 213, 99439, 26681}).p / p, 1, 1e-12);
    // A tiny p is summed from its own tail, not left as what 1 minus the rest would give.
    const double tiny = fisherExact({362, 411, 19960, 106160}).p;
    EXPECT_GT(tiny, 1e-95);
    EXPECT_LT(tiny, 1e-85);
    // The probabilities of all tables of some margins sum to 1.
    long double sum = 0;
    for (std::int64_t x = 0; x <= 40; ++x) sum += hypergeometricProbability(x, 40, 1000, 300);
    EXPECT_NEAR(static_cast<double>(sum), 1, 1e-15);
    EXPECT_EQ(hypergeometricProbability(41, 40, 1000, 300), 0);
}

TEST(ChiSquare, HandWorkedTestsAndTails) {
    // [[10, 20], [20, 10]]: each expected count 15, chi2 = 4 x 25/15, df 1, p = erfc(sqrt(chi2 / 2)).
    const auto r = chiSquareTest({10, 20}, {20, 10});
    ASSERT_TRUE(r);
    EXPECT_NEAR(r->statistic, 20.0 / 3, 1e-12);
    EXPECT_EQ(r->df, 1);
    EXPECT_NEAR(r->p, std::erfc(std::sqrt(10.0 / 3)), 1e-15);
    // A codon neither set uses is left out (df 1, not 2); an empty row or a single column tests nothing.
    EXPECT_EQ(chiSquareTest({10, 0, 20}, {20, 0, 10})->df, 1);
    EXPECT_FALSE(chiSquareTest({0, 0}, {3, 4}));
    EXPECT_FALSE(chiSquareTest({5, 0}, {3, 0}));
    // Q(1, x/2) = exp(-x/2) for two degrees of freedom; the 5% point of five; a far tail keeps its digits.
    EXPECT_NEAR(chiSquareUpperTail(3, 2), std::exp(-1.5), 1e-15);
    EXPECT_NEAR(chiSquareUpperTail(11.0705, 5), 0.0499999554280436, 1e-12);
    EXPECT_NEAR(chiSquareUpperTail(200, 3) / 4.218541107192018e-43, 1, 1e-12);
    EXPECT_EQ(chiSquareUpperTail(0, 4), 1);
}

TEST(BenjaminiHochberg, HandWorked) {
    // Ranked 0.01, 0.03, 0.04, 0.2: 4p/rank = 0.04, 0.06, 0.0533, 0.2, then the least from the top down.
    const std::vector<double> q = benjaminiHochberg({0.01, 0.04, 0.03, 0.2});
    ASSERT_EQ(q.size(), 4u);
    EXPECT_NEAR(q[0], 0.04, 1e-15);
    EXPECT_NEAR(q[1], 0.16 / 3, 1e-15);
    EXPECT_NEAR(q[2], 0.16 / 3, 1e-15);
    EXPECT_NEAR(q[3], 0.2, 1e-15);
    EXPECT_EQ(benjaminiHochberg({0.9, 0.8}), (std::vector<double>{0.9, 0.9}));
    EXPECT_TRUE(benjaminiHochberg({}).empty());
}

// Genes of Phe and Lys codons, the first set preferring TTT, the second TTC.
std::vector<GeneCodonCounts> genes(const char* pairs, int copies) {
    return std::vector<GeneCodonCounts>(static_cast<std::size_t>(copies), codonCounts(pairs));
}

TEST(SetComparison, CodonsFamiliesAndDistance) {
    const SetComparison c =
        compareGeneSets(genes("TTT 3 TTC 1 AAA 2", 2), genes("TTT 1 TTC 3", 3), code, {0, 1});
    EXPECT_EQ(c.firstGenes, 2u);
    EXPECT_EQ(c.codons.size(), 59u);
    EXPECT_EQ(c.families.size(), 18u);
    // Phe: (6, 2) against (3, 9); Lys only in the first set, untested.
    const auto of = [&](const char* letters) {
        for (const CodonComparison& x : c.codons)
            if (x.codon == codonOfLetters(letters)) return x;
        return CodonComparison{};
    };
    const CodonComparison ttt = of("TTT");
    EXPECT_EQ(std::tuple(ttt.table.a, ttt.table.b, ttt.table.c, ttt.table.d), std::tuple(6, 2, 3, 9));
    EXPECT_TRUE(ttt.tested);
    EXPECT_EQ(ttt.fisher.p, fisherExact({6, 2, 3, 9}).p);
    EXPECT_NEAR(ttt.firstRscu.value(), 1.5, 1e-15);
    EXPECT_NEAR(ttt.secondRscu.value(), 0.5, 1e-15);
    EXPECT_NEAR(ttt.log2OddsRatio.value(), std::log2(9.0), 1e-12);
    EXPECT_FALSE(of("AAA").tested || of("AAA").q || of("GCA").tested);
    EXPECT_FALSE(of("AAA").secondRscu);
    // The two Phe codons are the only ones tested: their p are equal, and so are their q.
    EXPECT_EQ(of("TTC").q, ttt.q);
    EXPECT_EQ(ttt.q.value(), ttt.fisher.p);
    // Distance: Phe's shares 3/4, 1/4 against 1/4, 3/4 (Lys is in one set only): half of 1.
    EXPECT_NEAR(c.distance.value(), 0.5, 1e-15);
    EXPECT_FALSE(c.permutationP);
    // Haldane and Anscombe's 0.5 where a cell is empty: [[5, 0], [1, 4]] gives (5.5 x 4.5) / (0.5 x 1.5).
    const SetComparison empty = compareGeneSets(genes("TTT 5", 1), genes("TTT 1 TTC 4", 1), code, {0, 1});
    for (const CodonComparison& x : empty.codons) {
        if (x.codon == codonOfLetters("TTT")) {
            EXPECT_NEAR(*x.log2OddsRatio, std::log2(5.5 * 4.5 / 0.75), 1e-12);
        }
    }
}

TEST(SetComparison, ASetAgainstItselfDiffersInNothing) {
    std::vector<GeneCodonCounts> set = genes("TTT 3 TTC 1 GCA 4 GCG 2 CTG 5 TTA 1 AGA 2", 3);
    set.push_back(codonCounts("AAA 7 AAG 1 GGT 3"));
    set.push_back(GeneCodonCounts{});  // a gene without a codon still counts as a gene
    const SetComparison c = compareGeneSets(set, set, code, {200, 7});
    std::size_t tested = 0;
    for (const CodonComparison& x : c.codons) {
        if (!x.tested) continue;
        ++tested;
        EXPECT_EQ(x.fisher.p, 1);
        EXPECT_EQ(x.q.value(), 1);
        EXPECT_NEAR(x.log2OddsRatio.value(), 0, 1e-12);
    }
    EXPECT_EQ(tested, 8u);  // Phe, Ala, Leu and Lys, two codons each: the others are used by neither set
    for (const FamilyComparison& f : c.families) {
        if (f.test) {
            EXPECT_NEAR(f.test->p, 1, 1e-12);
        }
    }
    EXPECT_EQ(c.distance.value(), 0);
    EXPECT_EQ(c.permutationP.value(), 1);
}

TEST(SetComparison, PermutationsAreReproducibleAndFollowTheSeed) {
    std::vector<GeneCodonCounts> first, second;
    for (int g = 0; g < 30; ++g) {
        first.push_back(codonCounts(g % 3 == 0 ? "TTT 4 TTC 2 GCA 3 GCG 1" : "TTT 2 TTC 3 GCA 2 GCG 2"));
        second.push_back(codonCounts(g % 4 == 0 ? "TTT 3 TTC 2 GCA 1 GCG 3" : "TTT 2 TTC 2 GCA 2 GCG 2"));
    }
    second.push_back(codonCounts("AAA 4"));
    const auto p = [&](std::uint64_t seed) { return compareGeneSets(first, second, code, {999, seed}).permutationP.value(); };
    EXPECT_EQ(p(1), p(1));
    EXPECT_NE(p(1), p(2));
    // (1 + k) / (1 + 999) for some count k.
    const double k = p(1) * 1000 - 1;
    EXPECT_NEAR(k, std::round(k), 1e-9);
    EXPECT_GT(p(1), 0.001);
    // Clearly different sets: no permutation is as distant.
    EXPECT_EQ(compareGeneSets(genes("TTT 9 TTC 1", 20), genes("TTT 1 TTC 9", 20), code, {999, 1}).permutationP.value(),
              0.001);
}

TEST(SetComparison, UniformDrawsStayInRangeAndFollowTheStandardGenerator) {
    std::mt19937_64 generator(5489);
    std::mt19937_64 copy(5489);
    for (const std::uint64_t n : {1ULL, 2ULL, 3ULL, 1000ULL, 1000000007ULL}) {
        const std::uint64_t x = uniformBelow(generator, n);
        EXPECT_LT(x, n);
        // Each draw takes one number of the generator unless it falls below 2^64 mod n (rare for these n).
        EXPECT_EQ(x, copy() % n);
    }
    // The standard fixes the generator's sequence: its 10000th number from the default seed.
    std::mt19937_64 fresh;
    fresh.discard(9999);
    EXPECT_EQ(fresh(), 9981545732273789042ULL);
}

}  // namespace
}  // namespace kestrel
