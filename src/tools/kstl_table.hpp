// The tables made of analysis output files, shared by kestrel-table and kestrel-genome: one
// row per gene (its cells under the union of the files' labels, then the added indices), one
// row per file (gene counts and index medians), and each gene's RSCU in long form.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "formats/kstl_reader.hpp"
#include "tools/gene_indices.hpp"

namespace kestrel {

inline constexpr std::array<const char*, 5> MedianColumns = {"ENC", "GC3", "GC3_6", "CAI", "Fop"};

// What the source column names: the output file as it was given, or the genome (the file's
// name without its folder and its .kstl).
enum class SourceName { File, Genome };

struct TableSettings {
    IndexSettings indices;
    bool allowIncomplete = false;  // take the rows of a file without its end-of-run summary
    unsigned threads = 1;          // files read at a time
    SourceName source = SourceName::File;
};

std::string sourceName(const std::string& path, SourceName naming);

struct FileSummary {
    std::string source;
    int geneticCode = 1;
    std::size_t rows = 0;
    KstlSummary counts;
    std::array<std::optional<double>, MedianColumns.size()> medians;
};

// One file's share of the tables: its rows as they will be written and its summary row, or
// why the file could not be read.
struct FileRows {
    std::string rows;
    std::string rscu;
    FileSummary summary;
    std::string error;
    std::string warning;
};

class TableWriter {
public:
    TableWriter(std::vector<std::string> labels, const IndexSettings& settings)
        : labels_(std::move(labels)), settings_(settings) {}

    void writeHeader(std::ostream& out) const;
    // Appends one file's rows to out, and their RSCU lines to rscu when asked for; the
    // reader is positioned just after its column-header line.
    FileSummary writeRows(KstlReader& reader, const std::string& source, std::string& out, std::string& rscu,
                          const FileTotals& totals);

private:
    std::vector<std::string> labels_;
    const IndexSettings& settings_;
    std::vector<KstlCell> cells_;
    std::array<std::vector<double>, MedianColumns.size()> medianValues_;
};

void writeSummaryTable(const std::vector<FileSummary>& files, std::ostream& out);

// Opens an output file's text afresh each time it is called (the rows are read twice when
// the indices need the whole file's composition first).
using KstlOpener = std::function<std::unique_ptr<std::istream>()>;

// Tabulates one output file; path names it in messages (and in the source column).
FileRows tabulateFile(const std::string& path, const KstlOpener& open, TableWriter& writer,
                      const TableSettings& settings);

// Tabulates the files, read from disk, and hands each file's rows to write in the order
// given, so that the tables are the same for any number of threads.
void tabulateInOrder(const TableSettings& settings, const std::vector<std::string>& paths,
                     const std::vector<std::string>& labels, const std::function<void(FileRows&)>& write);

// The labels of the files' column-header lines, in first-seen order. A file that is not an
// output file stops the tables before anything is written.
std::vector<std::string> unionOfLabels(const std::vector<std::string>& paths);

// Median of the values; no value for an empty list. Reorders the values.
std::optional<double> median(std::vector<double>& values);

}  // namespace kestrel
