// What the reports compute from a genome's tables: some columns of a tab-separated table,
// the spread of an index over the genes, why genes were left out of the cumulative counts,
// and the genes at either end of an index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/run_settings.hpp"

namespace kestrel::report {

// The cells of some columns of a tab-separated table with a header line, by the labels
// asked for: a column the table lacks has no cells. The cells view the table's text.
struct TsvColumns {
    std::vector<std::vector<std::string_view>> cells;  // [label asked for][row]
    std::vector<bool> present;
    std::size_t rows = 0;
    // The cells of the column asked for under this label, or null.
    const std::vector<std::string_view>* column(const std::vector<std::string>& labels, std::string_view label) const;
};
TsvColumns readTsvColumns(std::string_view text, const std::vector<std::string>& labels);

// A cell as a number: no value for NA, text and what is not finite.
std::optional<double> cellNumber(std::string_view cell);

// The spread of an index's values: how many, the quartiles (linearly interpolated between
// order statistics, the median as kestrel-table takes it) and the ends.
struct Spread {
    std::size_t n = 0;
    double min = 0, q1 = 0, median = 0, q3 = 0, max = 0;
};
std::optional<Spread> spreadOf(std::vector<double> values);

// Why the analysed genes were left out of the cumulative counts: each gene under every rule
// of the run that excludes it, so a gene may count more than once.
struct Exclusions {
    std::int64_t noStart = 0;        // its first codon is not a valid start
    std::int64_t noStop = 0;         // its last codon is not a stop
    std::int64_t badCodons = 0;      // a codon with a letter other than A, C, G, T
    std::int64_t alternative = 0;    // one of several CDSs of a gene
    std::int64_t prematureStop = 0;  // a stop codon before its last
    std::int64_t genes = 0;          // genes left out by at least one rule
};
// From the per-gene table's noStart, noStop, BadCdns, Alt and preStop columns.
Exclusions exclusionsOf(const TsvColumns& table, const std::vector<std::string>& labels, const RunSettings& settings);

// The rows with the highest and the lowest values of an index (those without a value left
// out), at most n each: highest first, and lowest first; ties in row order.
struct Ends {
    std::vector<std::size_t> highest;
    std::vector<std::size_t> lowest;
};
Ends endsOf(const std::vector<std::optional<double>>& values, std::size_t n);

}  // namespace kestrel::report
