#include "tools/codon_count_columns.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "analysis/codon_letters.hpp"

namespace kestrel {

std::optional<CodonCountColumns> codonCountColumns(const KstlReader& reader) {
    CodonCountColumns columns{};
    std::array<bool, 64> found{};
    for (std::size_t i = 0; i < reader.columns().size(); ++i) {
        const std::string& label = reader.columns()[i].label;
        if (label.size() != 7 || label.compare(0, 2, "N_") != 0) continue;
        const int codon = codonOfLetters(std::string_view(label).substr(2, 3));
        if (codon < 0) continue;
        columns[static_cast<std::size_t>(codon)] = i;
        found[static_cast<std::size_t>(codon)] = true;
    }
    for (const bool f : found)
        if (!f) return std::nullopt;
    return columns;
}

std::string noCodonCountsText(const std::string& name) {
    return name + ": has no codon counts (N_GCA_A ...): run the analysis with codon usage output on";
}

GeneCodonCounts codonCountsOf(const std::vector<KstlCell>& cells, const CodonCountColumns& columns) {
    GeneCodonCounts counts{};
    for (int c = 0; c < 64; ++c) {
        const KstlCell& cell = cells[columns[static_cast<std::size_t>(c)]];
        if (!cell.present) continue;
        // Counts are written as plain integers: read as such first, as that is much faster.
        std::int32_t whole = 0;
        const char* end = cell.text.data() + cell.text.size();
        const auto [stop, error] = std::from_chars(cell.text.data(), end, whole);
        if (error == std::errc{} && stop == end && whole >= 0) {
            counts[static_cast<std::size_t>(c)] = whole;
            continue;
        }
        const auto n = numericValue(cell);
        if (!n) continue;
        // A count outside int32 would not even convert: such a row is no analysis output.
        if (!(*n >= 0 && *n <= INT32_MAX) || *n != std::floor(*n))
            throw KstlError("gene row with a codon count that is not a whole number from 0 to 2147483647: " +
                            std::string(cell.text));
        counts[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(*n);
    }
    return counts;
}

}  // namespace kestrel
