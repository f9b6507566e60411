// The 64 codon-count columns of an output file ("N_GCA_A" ...), read by the tools that
// compute from a gene's codon counts, and a reader of the gene rows with their counts.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/codon_usage_indices.hpp"
#include "formats/kstl_reader.hpp"

namespace kestrel {

using CodonCountColumns = std::array<std::size_t, 64>;

// The column of each codon's count, by CodonIndex; no value when the file lacks any (the
// analysis ran without codon usage output). Read by the codon letters, whatever amino acid
// the label names.
std::optional<CodonCountColumns> codonCountColumns(const KstlReader& reader);

// What the tools say of a file without them.
std::string noCodonCountsText(const std::string& name);

// The counts of the row last read. Throws KstlError, naming the file, line and column, for
// a cell that is not a whole number from 0 to the largest 32-bit count (a corrupt file).
GeneCodonCounts codonCountsOf(const KstlReader& reader, const std::vector<KstlCell>& cells,
                              const CodonCountColumns& columns);

// One gene row with its codon counts; the texts view the reader's current row.
struct CountedGene {
    std::string_view name;
    std::string_view contig;
    std::size_t row = 0;  // from 1
    GeneCodonCounts counts{};
    std::optional<double> value;  // the value column's, when one was asked for
};

// Opens an output file's text (a file on disk, or one a program holds in memory).
using KstlStreamOpener = std::function<std::unique_ptr<std::istream>(const std::string& path)>;

// The gene rows of one output file that has codon counts. Throws ToolFailure (bad data)
// for a file that cannot be opened or lacks the counts, KstlError for one that is not an
// output file or holds a corrupt count.
class CountedGeneReader {
public:
    // valueLabel: a column whose numbers each row's value takes (none: nullptr). open: how the
    // file is opened (none: from disk, as the tools open their inputs). me ("kestrel-NAME: ")
    // begins the warnings.
    CountedGeneReader(const std::string& path, const char* valueLabel, const KstlStreamOpener& open,
                      std::string_view me);

    int geneticCode() const { return reader_.geneticCode(); }
    bool next(CountedGene& gene);
    // After the rows: a file without its end-of-run summary is refused, or taken with a
    // warning on err.
    void checkComplete(bool allowIncomplete, std::ostream& err);

private:
    static std::unique_ptr<std::istream> opened(const std::string& path, const KstlStreamOpener& open);

    std::string path_;
    std::string me_;
    std::unique_ptr<std::istream> stream_;
    KstlReader reader_;
    CodonCountColumns columns_{};
    std::optional<std::size_t> valueColumn_;
    std::vector<KstlCell> cells_;
};

}  // namespace kestrel
