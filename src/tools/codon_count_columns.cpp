#include "tools/codon_count_columns.hpp"

#include <charconv>
#include <limits>
#include <string>

#include "analysis/codon_letters.hpp"
#include "formats/kstl_format.hpp"
#include "tools/command_line.hpp"
#include "formats/regular_file.hpp"
#include "tools/tool_input.hpp"

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

GeneCodonCounts codonCountsOf(const KstlReader& reader, const std::vector<KstlCell>& cells,
                              const CodonCountColumns& columns) {
    GeneCodonCounts counts{};
    for (int c = 0; c < 64; ++c) {
        const std::size_t column = columns[static_cast<std::size_t>(c)];
        const std::string_view text = cells[column].text;
        std::int32_t count = -1;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
        if (text.empty() || error != std::errc{} || end != text.data() + text.size() || count < 0)
            throw KstlError(reader.name() + ", line " + std::to_string(reader.lineNumber()) + ", column " +
                            reader.columns()[column].label + ": " + std::string(text) +
                            " is not a codon count (a whole number from 0 to " +
                            std::to_string(std::numeric_limits<std::int32_t>::max()) + ")");
        counts[static_cast<std::size_t>(c)] = count;
    }
    return counts;
}

std::unique_ptr<std::istream> CountedGeneReader::opened(const std::string& path, const KstlStreamOpener& open) {
    if (open) return open(path);
    auto file = std::make_unique<InputFile>();
    const std::string problem = openToolInput(*file, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    return file;
}

CountedGeneReader::CountedGeneReader(const std::string& path, const char* valueLabel, const KstlStreamOpener& open,
                                     std::string_view me)
    : path_(path), me_(me), stream_(opened(path, open)), reader_(*stream_, path) {
    const auto columns = codonCountColumns(reader_);
    if (!columns) throw ToolFailure(ExitBadData, noCodonCountsText(path));
    columns_ = *columns;
    if (valueLabel != nullptr) valueColumn_ = reader_.columnIndex(valueLabel);
}

bool CountedGeneReader::next(CountedGene& gene) {
    if (!reader_.nextRow(cells_)) return false;
    gene.row = reader_.rowsRead();
    gene.name = cells_[kstl::GeneColumn].text;
    gene.contig = cells_[kstl::ContigColumn].text;
    try {
        gene.counts = codonCountsOf(reader_, cells_, columns_);
    } catch (const KstlError& e) {
        throw KstlError(path_ + ", gene row " + std::to_string(gene.row) + ": " + e.what());
    }
    gene.value = valueColumn_ ? numericValue(cells_[*valueColumn_]) : std::nullopt;
    return true;
}

void CountedGeneReader::checkComplete(bool allowIncomplete, std::ostream& err) {
    if (reader_.readSummary().complete) return;
    if (!allowIncomplete) throw KstlError(cutShortText(path_) + " (--allow-incomplete takes it)");
    err << me_ << "warning: " << cutShortText(path_) << '\n';
}

}  // namespace kestrel
