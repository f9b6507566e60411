// Exact and large-sample tests of contingency tables: Fisher's exact test of a 2x2 table,
// Pearson's chi-square test of a 2 x k table, and the Benjamini-Hochberg correction.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

// [[a, b], [c, d]]: the rows are two samples, the columns two outcomes.
struct TwoByTwoTable {
    std::int64_t a = 0, b = 0, c = 0, d = 0;
};

// The probability of x in the first cell of a table with these margins, under the
// hypergeometric distribution: C(row1, x) C(row2, column1 - x) / C(row1 + row2, column1).
// 0 outside the cells' possible range.
long double hypergeometricProbability(std::int64_t x, std::int64_t row1, std::int64_t row2, std::int64_t column1);

struct FisherResult {
    // The sample odds ratio ad / (bc): +infinity when bc = 0 < ad, NaN when a row or a
    // column of the table is empty.
    double oddsRatio = 0;
    double p = 1;  // two-sided; 1 when a row or a column is empty
};

// Fisher's exact test, two-sided as scipy.stats.fisher_exact computes it: p sums the
// probabilities of the tables with the observed margins that are at most as probable as the
// observed one, a table counting as equally probable within a relative 1e-14; the
// probabilities come from log-gamma in extended precision, and the tails are summed from
// where they start, so that a small p keeps its relative precision. Counts must not be negative.
FisherResult fisherExact(const TwoByTwoTable& table);

// The upper tail of the chi-square distribution with df degrees of freedom at x: the
// regularized upper incomplete gamma function Q(df/2, x/2). df >= 1, x >= 0.
double chiSquareUpperTail(double x, int df);

struct ChiSquareResult {
    double statistic = 0;
    int df = 0;
    double p = 1;
};

// Pearson's chi-square test of independence of a 2 x k table (no continuity correction),
// given as its two rows. Columns empty in both rows are left out; no result when a row is
// empty or fewer than two columns remain.
std::optional<ChiSquareResult> chiSquareTest(const std::vector<std::int64_t>& first,
                                             const std::vector<std::int64_t>& second);

// Benjamini and Hochberg's q-values of the p-values, in their order: q of the p ranked i of
// m (from the smallest) is the least of m p_(j) / j over j >= i, at most 1.
std::vector<double> benjaminiHochberg(const std::vector<double>& p);

}  // namespace kestrel
