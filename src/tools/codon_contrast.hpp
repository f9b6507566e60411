// Which codons the reference set prefers: RSCU in the reference and in the rest of the genome,
// and a 2x2 chi-square test per codon.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "analysis/genetic_code.hpp"

namespace kestrel::reference {

using CodonCounts = std::array<std::int64_t, 64>;

// The 2x2 table of one codon: its count and the count of its amino acid's other codons, in
// the reference set (a, b) and in the rest (c, d).
struct TwoByTwo {
    std::int64_t a = 0, b = 0, c = 0, d = 0;
};

// Pearson's chi-square with Yates' continuity correction,
//   n (max(0, |ad - bc| - n/2))^2 / ((a+b)(c+d)(a+c)(b+d)),
// with its p-value from the chi-square distribution of one degree of freedom,
// p = erfc(sqrt(chi2 / 2)). No value when a row or a column of the table is empty (an
// expected count of 0): nothing can be told apart there.
struct ChiSquare {
    double statistic = 0.0;
    double p = 1.0;
};
std::optional<ChiSquare> chiSquareTest(const TwoByTwo& t);

struct CodonContrast {
    std::int64_t referenceCount = 0;
    std::int64_t restCount = 0;
    std::optional<double> referenceRscu;  // none when the amino acid is absent from that set
    std::optional<double> restRscu;
    std::optional<ChiSquare> test;  // none for single-codon amino acids, stops and empty tables
    bool optimal = false;
};

// Every codon of the synonymous families of the code (more than one codon, not a stop) is
// tested; it is optimal when its RSCU is higher in the reference than in the rest and p is
// below pThreshold.
std::array<CodonContrast, 64> contrastCodons(const CodonCounts& reference, const CodonCounts& rest,
                                             const GeneticCode& code, double pThreshold);

}  // namespace kestrel::reference
