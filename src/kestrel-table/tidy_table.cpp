#include "kestrel-table/tidy_table.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "kestrel-table/tool_output.hpp"
#include "output/kstl_reader.hpp"

namespace kestrel {

namespace {

constexpr const char* Usage =
    "usage: kestrel-table [-o FILE.tsv] [--summary FILE.tsv] OUTPUT.kstl...\n"
    "\n"
    "Writes the gene rows of KESTREL output files as one tab-separated table: a first\n"
    "column source (the output file's name as given), then every column under its\n"
    "label, values trimmed, placeholders written as NA. Files with different columns\n"
    "are joined on the union of their labels, in first-seen order; a file without a\n"
    "column gets NA there. The table goes to FILE.tsv, or to standard output without -o.\n"
    "\n"
    "--summary FILE.tsv writes one row per output file: genes analysed (rows), genes\n"
    "included in and excluded from the cumulative counts, and the medians of ENC, GC3,\n"
    "GC3_6 and CAI over the genes that have a value (NA where a file lacks the column).\n"
    "\n"
    "Exit status 0 on success, 1 when a file cannot be read or is not a KESTREL\n"
    "analysis output file, 2 for a wrong command line. A named file is written only\n"
    "when complete.\n";

constexpr std::array<const char*, 4> MedianColumns = {"ENC", "GC3", "GC3_6", "CAI"};

struct TableArguments {
    std::string tablePath;
    std::string summaryPath;
    std::vector<std::string> inputs;
};

// Cells never hold tabs or line ends in a well-formed file; a stray tab becomes a blank
// so that it cannot shift the table's columns.
void writeField(std::ostream& out, const std::string& text) {
    for (char c : text) out << (c == '\t' || c == '\n' ? ' ' : c);
}

std::string formatValue(const std::optional<double>& value) {
    if (!value) return "NA";
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.4f", *value);
    return cell;
}

std::string formatCount(const std::optional<long>& value) { return value ? std::to_string(*value) : "NA"; }

struct FileSummary {
    std::string source;
    std::size_t rows = 0;
    KstlSummary counts;
    std::array<std::optional<double>, MedianColumns.size()> medians;
};

class TableWriter {
public:
    explicit TableWriter(std::vector<std::string> labels) : labels_(std::move(labels)) {}

    void writeHeader(std::ostream& out) const {
        out << "source";
        for (const auto& label : labels_) out << '\t' << label;
        out << '\n';
    }

    // Streams one file's rows; the reader is positioned just after its column-header line.
    FileSummary writeRows(KstlReader& reader, std::ostream& out) {
        std::vector<std::optional<std::size_t>> fileColumn(labels_.size());
        for (std::size_t i = 0; i < labels_.size(); ++i) fileColumn[i] = reader.columnIndex(labels_[i]);
        std::array<std::optional<std::size_t>, MedianColumns.size()> medianColumn;
        for (std::size_t m = 0; m < MedianColumns.size(); ++m) medianColumn[m] = reader.columnIndex(MedianColumns[m]);
        for (auto& values : medianValues_) values.clear();

        while (reader.nextRow(cells_)) {
            writeField(out, reader.name());
            for (const auto& column : fileColumn) {
                out << '\t';
                if (column && cells_[*column].present) {
                    writeField(out, cells_[*column].text);
                } else {
                    out << "NA";
                }
            }
            out << '\n';
            for (std::size_t m = 0; m < MedianColumns.size(); ++m) {
                if (!medianColumn[m]) continue;
                if (auto value = numericValue(cells_[*medianColumn[m]])) medianValues_[m].push_back(*value);
            }
        }
        FileSummary summary;
        summary.source = reader.name();
        summary.rows = reader.rowsRead();
        summary.counts = reader.readSummary();
        for (std::size_t m = 0; m < MedianColumns.size(); ++m) {
            if (medianColumn[m]) summary.medians[m] = median(medianValues_[m]);
        }
        return summary;
    }

private:
    std::vector<std::string> labels_;
    std::vector<KstlCell> cells_;
    std::array<std::vector<double>, MedianColumns.size()> medianValues_;
};

void writeSummaryTable(const std::vector<FileSummary>& files, std::ostream& out) {
    out << "source\tgenes_analysed\tgenes_included\tgenes_excluded";
    for (const char* column : MedianColumns) out << "\tmedian_" << column;
    out << '\n';
    for (const auto& file : files) {
        writeField(out, file.source);
        out << '\t' << file.rows << '\t' << formatCount(file.counts.genesIncluded) << '\t'
            << formatCount(file.counts.genesExcluded);
        for (const auto& value : file.medians) out << '\t' << formatValue(value);
        out << '\n';
    }
}

// Returns an exit status when the tool should stop here (help, or a wrong command line).
std::optional<int> parseArguments(const std::vector<std::string>& args, TableArguments& parsed, std::ostream& out,
                                  std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << Usage;
            return 0;
        }
        if (arg == "-o" || arg == "--summary") {
            if (i + 1 >= args.size()) {
                err << "kestrel-table: " << arg << " needs a file name\n" << Usage;
                return 2;
            }
            (arg == "-o" ? parsed.tablePath : parsed.summaryPath) = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "kestrel-table: unknown option " << arg << '\n' << Usage;
            return 2;
        } else {
            parsed.inputs.push_back(arg);
        }
    }
    if (parsed.inputs.empty()) {
        err << "kestrel-table: no output file named\n" << Usage;
        return 2;
    }
    return std::nullopt;
}

std::ifstream openInput(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw KstlError(path + ": cannot be opened for reading");
    return in;
}

}  // namespace

std::optional<double> median(std::vector<double>& values) {
    if (values.empty()) return std::nullopt;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    const double upper = values[mid];
    if (values.size() % 2 == 1) return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + mid);
    return (lower + upper) / 2.0;
}

int runTableTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TableArguments parsed;
    if (auto status = parseArguments(args, parsed, out, err)) return *status;
    try {
        // First pass: the column-header lines of all files give the union of labels, and
        // a file that is not an output file stops the run before anything is written.
        std::vector<std::string> labels;
        for (const auto& path : parsed.inputs) {
            std::ifstream in = openInput(path);
            const KstlReader reader(in, path);
            for (const auto& column : reader.columns()) {
                if (std::find(labels.begin(), labels.end(), column.label) == labels.end()) labels.push_back(column.label);
            }
        }

        std::string error;
        ToolOutput table(parsed.tablePath, out);
        if (!table.open(error)) throw KstlError(error);
        TableWriter writer(labels);
        writer.writeHeader(table.stream());
        std::vector<FileSummary> summaries;
        for (const auto& path : parsed.inputs) {
            std::ifstream in = openInput(path);
            KstlReader reader(in, path);
            summaries.push_back(writer.writeRows(reader, table.stream()));
            if (in.bad()) throw KstlError(path + ": reading failed");
        }
        if (!table.commit(error)) throw KstlError(error);
        if (!parsed.summaryPath.empty()) {
            ToolOutput summary(parsed.summaryPath, out);
            if (!summary.open(error)) throw KstlError(error);
            writeSummaryTable(summaries, summary.stream());
            if (!summary.commit(error)) throw KstlError(error);
        }
    } catch (const KstlError& e) {
        err << "kestrel-table: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace kestrel
