#include "tools/codon_count_columns.hpp"

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
    for (int c = 0; c < 64; ++c)
        if (const auto n = numericValue(cells[columns[static_cast<std::size_t>(c)]]))
            counts[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(*n);
    return counts;
}

}  // namespace kestrel
