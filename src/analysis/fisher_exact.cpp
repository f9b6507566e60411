#include "analysis/fisher_exact.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace kestrel {

namespace {

// ln C(n, k), 0 <= k <= n.
long double logChoose(std::int64_t n, std::int64_t k) {
    const auto ln = [](std::int64_t m) { return std::lgamma(static_cast<long double>(m) + 1.0L); };
    return ln(n) - ln(k) - ln(n - k);
}

// The hypergeometric distribution of the first cell of tables with fixed margins.
struct Hypergeometric {
    std::int64_t row1, row2, column1;
    std::int64_t low() const { return std::max<std::int64_t>(0, column1 - row2); }
    std::int64_t high() const { return std::min(column1, row1); }
    long double operator()(std::int64_t x) const { return hypergeometricProbability(x, row1, row2, column1); }

    // The probabilities from x down to low() (step -1) or up to high() (step +1), summed from
    // x outward by the ratio of neighbouring probabilities, which fall away from the mode:
    // the sum stops once a term no longer changes it.
    long double tail(std::int64_t x, int step) const {
        if (x < low() || x > high()) return 0;
        long double term = (*this)(x);
        long double sum = 0;
        const long double r1 = static_cast<long double>(row1), r2 = static_cast<long double>(row2),
                          n = static_cast<long double>(column1);
        for (std::int64_t k = x;;) {
            sum += term;
            if (term <= sum * std::numeric_limits<long double>::epsilon() / 4 || term == 0) break;
            const long double kk = static_cast<long double>(k);
            if (step > 0) {
                if (k == high()) break;
                term *= (r1 - kk) * (n - kk) / ((kk + 1) * (r2 - n + kk + 1));
            } else {
                if (k == low()) break;
                term *= kk * (r2 - n + kk) / ((r1 - kk + 1) * (n - kk + 1));
            }
            k += step;
        }
        return sum;
    }
};

// scipy's search for the other tail: the index i in [lo, hi] with a(i) <= d < a(i + 1),
// a ascending on [lo, hi].
template <typename F>
std::int64_t binarySearch(const F& a, long double d, std::int64_t lo, std::int64_t hi) {
    while (lo < hi) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        const long double value = a(mid);
        if (value < d) lo = mid + 1;
        else if (value > d) hi = mid - 1;
        else return mid;
    }
    return a(lo) <= d ? lo : lo - 1;
}

}  // namespace

long double hypergeometricProbability(std::int64_t x, std::int64_t row1, std::int64_t row2, std::int64_t column1) {
    if (x < 0 || x > row1 || column1 - x < 0 || column1 - x > row2) return 0;
    return std::exp(logChoose(row1, x) + logChoose(row2, column1 - x) - logChoose(row1 + row2, column1));
}

FisherResult fisherExact(const TwoByTwoTable& t) {
    const std::int64_t row1 = t.a + t.b, row2 = t.c + t.d, column1 = t.a + t.c, column2 = t.b + t.d;
    if (row1 == 0 || row2 == 0 || column1 == 0 || column2 == 0)
        return {std::numeric_limits<double>::quiet_NaN(), 1.0};
    FisherResult result;
    // As products of doubles: exactly scipy's integer products wherever those fit in 53 bits.
    result.oddsRatio = t.c > 0 && t.b > 0 ? static_cast<double>(t.a) * static_cast<double>(t.d) /
                                                (static_cast<double>(t.c) * static_cast<double>(t.b))
                                          : std::numeric_limits<double>::infinity();
    const Hypergeometric h{row1, row2, column1};
    const std::int64_t total = row1 + row2;
    const auto mode = static_cast<std::int64_t>(static_cast<double>((column1 + 1) * (row1 + 1)) /
                                                static_cast<double>(total + 2));
    const long double exact = h(t.a), atMode = h(mode);
    constexpr long double Epsilon = 1e-14L;
    constexpr long double Gamma = 1 + Epsilon;
    if (std::fabs(exact - atMode) / std::max(exact, atMode) <= Epsilon) return result;
    long double p = 0;
    if (t.a < mode) {
        p = h.tail(t.a, -1);
        if (h(column1) <= exact * Gamma) {
            const auto falling = [&h](std::int64_t x) { return -h(x); };
            const std::int64_t other = binarySearch(falling, -exact * Gamma, mode, column1);
            p += h.tail(std::max(other + 1, mode), +1);
        }
    } else {
        p = h.tail(t.a, +1);
        if (h(0) <= exact * Gamma) {
            const std::int64_t other = binarySearch(h, exact * Gamma, 0, mode);
            if (other >= 0) p += h.tail(std::min(other, mode), -1);
        }
    }
    result.p = static_cast<double>(std::min(p, 1.0L));
    return result;
}

namespace {

// Q(s, x) by its continued fraction (modified Lentz), for x >= s + 1.
double upperGammaFraction(double s, double x) {
    constexpr double Tiny = 1e-300;
    double b = x + 1 - s, c = 1 / Tiny, d = 1 / b, h = d;
    for (int i = 1; i < 10000; ++i) {
        const double an = -i * (i - s);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < Tiny) d = Tiny;
        c = b + an / c;
        if (std::fabs(c) < Tiny) c = Tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-16) break;
    }
    return std::exp(-x + s * std::log(x) - std::lgamma(s)) * h;
}

// P(s, x) by its series, for x < s + 1.
double lowerGammaSeries(double s, double x) {
    double term = 1 / s, sum = term;
    for (int n = 1; n < 10000; ++n) {
        term *= x / (s + n);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * 1e-17) break;
    }
    return sum * std::exp(-x + s * std::log(x) - std::lgamma(s));
}

}  // namespace

double chiSquareUpperTail(double x, int df) {
    if (x <= 0) return 1;
    const double s = df / 2.0, half = x / 2;
    return half < s + 1 ? 1 - lowerGammaSeries(s, half) : upperGammaFraction(s, half);
}

std::optional<ChiSquareResult> chiSquareTest(const std::vector<std::int64_t>& first,
                                             const std::vector<std::int64_t>& second) {
    const double n1 = static_cast<double>(std::accumulate(first.begin(), first.end(), std::int64_t{0}));
    const double n2 = static_cast<double>(std::accumulate(second.begin(), second.end(), std::int64_t{0}));
    if (n1 == 0 || n2 == 0) return std::nullopt;
    ChiSquareResult result;
    int columns = 0;
    for (std::size_t k = 0; k < first.size(); ++k) {
        const double column = static_cast<double>(first[k] + second[k]);
        if (column == 0) continue;
        ++columns;
        const double e1 = column * n1 / (n1 + n2), e2 = column * n2 / (n1 + n2);
        const double d1 = static_cast<double>(first[k]) - e1, d2 = static_cast<double>(second[k]) - e2;
        result.statistic += d1 * d1 / e1 + d2 * d2 / e2;
    }
    if (columns < 2) return std::nullopt;
    result.df = columns - 1;
    result.p = chiSquareUpperTail(result.statistic, result.df);
    return result;
}

std::vector<double> benjaminiHochberg(const std::vector<double>& p) {
    const std::size_t m = p.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&p](std::size_t i, std::size_t j) { return p[i] < p[j]; });
    std::vector<double> q(m);
    double least = 1;
    for (std::size_t rank = m; rank > 0; --rank) {
        const std::size_t i = order[rank - 1];
        least = std::min(least, p[i] * static_cast<double>(m) / static_cast<double>(rank));
        q[i] = least;
    }
    return q;
}

}  // namespace kestrel
