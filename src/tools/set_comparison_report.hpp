// What a comparison of two gene sets' codon usage writes: a tab-separated table (a row for
// the whole comparison, one per amino acid and one per codon) and an SVG figure of the codons'
// log odds ratios with the significant ones marked. Shared by kestrel-compare and kestrel-genome.
#pragma once

#include <ostream>
#include <string>

#include "analysis/genetic_code.hpp"
#include "analysis/set_comparison.hpp"

namespace kestrel {

inline constexpr double DefaultComparisonAlpha = 0.05;

// The header line of the table.
inline constexpr const char* ComparisonTableHeader =
    "kind\tamino_acid\tcodon\tcount_a\tcount_b\trscu_a\trscu_b\todds_ratio\tlog2_odds_ratio\tp\tq\tchi2\tdf\t"
    "distance\tpermutations\tseed\tgenes_a\tgenes_b\n";

// The header and the rows: "overall" (the synonymous codons of each set, the distance and its
// permutation p), then for each amino acid with more than one codon an "amino_acid" row (its
// codons in each set, the chi-square test) followed by a "codon" row for each of its codons
// (counts, RSCU, odds ratio, Fisher's p and the Benjamini-Hochberg q). Cells of another kind's
// columns are empty; a value that does not exist is NA. p and q have twelve significant digits.
void writeComparisonTable(std::ostream& out, const SetComparison& comparison, const GeneticCode& code);

// What the figure and the summary say of the two sets: their names (e.g. "genes:rp.txt").
struct ComparisonNames {
    std::string first = "A";
    std::string second = "B";
};

// The figure: each codon tested as a bar of its log2 odds ratio (0.5 added to the cells of a
// table with an empty cell), grouped by amino acid; those with q < alpha in red and starred.
std::string renderComparisonSvg(const SetComparison& comparison, const GeneticCode& code,
                                const ComparisonNames& names, double alpha = DefaultComparisonAlpha);

// One line: the sets' genes, the codons tested and significant, the distance and its p.
std::string comparisonSummary(const SetComparison& comparison, double alpha = DefaultComparisonAlpha);

}  // namespace kestrel
