#include "kestrel-table/tidy_table.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "formats/text_lines.hpp"
#include "formats/regular_file.hpp"
#include "formats/kstl_reader.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr const char* Usage =
    "usage: kestrel-table [-o FILE.tsv] [--summary FILE.tsv] [-j THREADS] [--list FILE] [--allow-incomplete]\n"
    "                     OUTPUT.kstl...\n"
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
    "-j THREADS reads that many files at a time (default 1); the table is the same.\n"
    "--list FILE names further output files, one per line (for more files than a\n"
    "command line holds); they follow the files named on the command line.\n"
    "\n"
    "An output file that ends before its end-of-run summary comes from a run that was\n"
    "cut short, and its gene counts are wrong: such a file is refused, unless\n"
    "--allow-incomplete is given; its rows are then taken, with a warning, and its\n"
    "included and excluded counts are NA.\n"
    "\n"
    "Exit status 0 on success, 1 when a file cannot be read, is not a regular file or\n"
    "not a complete KESTREL analysis output file, 2 for a wrong command line (an output\n"
    "file that is also an input is one). A named regular file is written only when\n"
    "complete; a FIFO, device or /dev/stdout is written in place.\n";

constexpr std::array<const char*, 4> MedianColumns = {"ENC", "GC3", "GC3_6", "CAI"};

constexpr unsigned MaxThreads = 256;

// A line of a --list file is a file name: at most the longest path the system takes.
constexpr std::size_t MaxListLineLength = 4096;

struct TableArguments {
    std::string tablePath;
    std::string summaryPath;
    unsigned threads = 1;
    bool allowIncomplete = false;
    std::vector<std::string> lists;
    std::vector<std::string> inputs;
};

// Cells never hold tabs or line ends in a well-formed file; a stray tab becomes a blank
// so that it cannot shift the table's columns.
void appendField(std::string& line, std::string_view text) {
    const std::size_t start = line.size();
    line.append(text);
    std::replace_if(line.begin() + static_cast<std::ptrdiff_t>(start), line.end(),
                    [](char c) { return c == '\t' || c == '\n'; }, ' ');
}

void writeField(std::ostream& out, std::string_view text) {
    std::string field;
    appendField(field, text);
    out << field;
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

    // Appends one file's rows to out; the reader is positioned just after its column-header line.
    FileSummary writeRows(KstlReader& reader, std::string& out) {
        std::vector<std::optional<std::size_t>> fileColumn(labels_.size());
        for (std::size_t i = 0; i < labels_.size(); ++i) fileColumn[i] = reader.columnIndex(labels_[i]);
        std::array<std::optional<std::size_t>, MedianColumns.size()> medianColumn;
        for (std::size_t m = 0; m < MedianColumns.size(); ++m) medianColumn[m] = reader.columnIndex(MedianColumns[m]);
        for (auto& values : medianValues_) values.clear();

        std::string source;
        appendField(source, reader.name());
        while (reader.nextRow(cells_)) {
            const bool hasTab = reader.currentRow().find('\t') != std::string_view::npos;
            out += source;
            for (const auto& column : fileColumn) {
                out += '\t';
                if (column && cells_[*column].present) {
                    if (hasTab) {
                        appendField(out, cells_[*column].text);
                    } else {
                        out += cells_[*column].text;
                    }
                } else {
                    out += "NA";
                }
            }
            out += '\n';
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

// Appends the file names of a list, one a line; an exit status when it cannot be read.
std::optional<int> readList(const std::string& list, std::vector<std::string>& inputs, std::ostream& err) {
    InputFile in;
    const std::string problem = openToolInput(in, list);
    if (!problem.empty()) {
        err << "kestrel-table: " << problem << '\n';
        return 1;
    }
    std::string name;
    for (std::size_t number = 1;; ++number) {
        const LineRead read = readLine(in, name, MaxListLineLength);
        if (read == LineRead::End) break;
        if (read == LineRead::Cut) {
            err << "kestrel-table: " << list << ", line " << number << ": longer than " << MaxListLineLength
                << " characters, not a file name\n";
            return 1;
        }
        if (!name.empty()) inputs.push_back(name);
    }
    if (in.bad()) {
        err << "kestrel-table: " << list << ": reading failed\n";
        return 1;
    }
    return std::nullopt;
}

// An output file may be neither an input nor the other output.
std::optional<int> checkOutputs(const TableArguments& parsed, std::ostream& err) {
    std::vector<std::string> inputs = parsed.inputs;
    inputs.insert(inputs.end(), parsed.lists.begin(), parsed.lists.end());
    for (const std::string* output : {&parsed.tablePath, &parsed.summaryPath}) {
        if (auto input = inputWrittenOver(*output, inputs)) {
            err << "kestrel-table: the output file " << *output << " is the input file " << *input << '\n';
            return 2;
        }
    }
    const auto named = [](const std::string& path) { return !path.empty() && path != "-"; };
    if (named(parsed.summaryPath) && named(parsed.tablePath) &&
        (parsed.summaryPath == parsed.tablePath || inputWrittenOver(parsed.summaryPath, {parsed.tablePath}))) {
        err << "kestrel-table: -o and --summary name the same file\n";
        return 2;
    }
    return std::nullopt;
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
        if (arg == "--allow-incomplete") {
            parsed.allowIncomplete = true;
        } else if (arg == "-o" || arg == "--summary" || arg == "--list") {
            if (i + 1 >= args.size()) {
                err << "kestrel-table: " << arg << " needs a file name\n" << Usage;
                return 2;
            }
            if (arg == "--list") {
                parsed.lists.push_back(args[++i]);
            } else {
                (arg == "-o" ? parsed.tablePath : parsed.summaryPath) = args[++i];
            }
        } else if (arg == "-j" || arg == "--threads") {
            unsigned threads = 0;
            const std::string_view value = i + 1 < args.size() ? std::string_view(args[++i]) : std::string_view();
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
            if (value.empty() || error != std::errc{} || end != value.data() + value.size() || threads == 0 ||
                threads > MaxThreads) {
                err << "kestrel-table: " << arg << " needs a number of threads from 1 to " << MaxThreads << '\n'
                    << Usage;
                return 2;
            }
            parsed.threads = threads;
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "kestrel-table: unknown option " << arg << '\n' << Usage;
            return 2;
        } else {
            parsed.inputs.push_back(arg);
        }
    }
    for (const auto& list : parsed.lists) {
        if (auto status = readList(list, parsed.inputs, err)) return status;
    }
    if (parsed.inputs.empty()) {
        err << "kestrel-table: no output file named\n" << Usage;
        return 2;
    }
    return checkOutputs(parsed, err);
}

void openInput(InputFile& in, const std::string& path) {
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw KstlError(problem);
}

// One file's share of the table: its rows as they will be written and its summary row,
// or why the file could not be read.
struct FileRows {
    std::string rows;
    FileSummary summary;
    std::string error;
    std::string warning;
};

FileRows tabulateFile(const std::string& path, TableWriter& writer, bool allowIncomplete) {
    FileRows result;
    try {
        InputFile in;
        openInput(in, path);
        KstlReader reader(in, path);
        result.summary = writer.writeRows(reader, result.rows);
        if (in.bad()) throw KstlError(path + ": reading failed");
        if (!result.summary.counts.complete) {
            if (!allowIncomplete) throw KstlError(cutShortText(path) + " (--allow-incomplete takes it)");
            result.warning = "warning: " + cutShortText(path) + "; its included and excluded counts are NA";
            result.summary.counts = KstlSummary{};
        }
    } catch (const std::exception& e) {
        result.rows.clear();
        result.error = e.what();
    }
    return result;
}

// Tabulates the files on the given number of threads and hands each file's rows to write
// in the order of the command line, so that the table is the same for any number of
// threads. Files are read at most two per thread ahead of the one being written, which
// bounds the memory held. When write throws, the threads finish their current file and stop.
template <typename Write>
void tabulateInOrder(const TableArguments& parsed, const std::vector<std::string>& labels, Write write) {
    const std::vector<std::string>& paths = parsed.inputs;
    const unsigned threads = parsed.threads;
    if (threads <= 1 || paths.size() <= 1) {
        TableWriter writer(labels);
        for (const auto& path : paths) {
            FileRows rows = tabulateFile(path, writer, parsed.allowIncomplete);
            write(rows);
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<FileRows>> done(paths.size());
    std::size_t next = 0;
    std::size_t written = 0;
    bool stop = false;
    const std::size_t ahead = 2 * static_cast<std::size_t>(threads);
    const auto work = [&] {
        TableWriter writer(labels);
        while (true) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || next >= paths.size() || next < written + ahead; });
                if (stop || next >= paths.size()) return;
                index = next++;
            }
            FileRows rows = tabulateFile(paths[index], writer, parsed.allowIncomplete);
            {
                const std::lock_guard lock(mutex);
                done[index] = std::move(rows);
            }
            changed.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    const auto stopWorkers = [&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        workers.clear();  // joins
    };
    try {
        for (unsigned t = 0; t < std::min<std::size_t>(threads, paths.size()); ++t) workers.emplace_back(work);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            FileRows rows;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return done[i].has_value(); });
                rows = std::move(*done[i]);
                done[i].reset();
                written = i + 1;
            }
            changed.notify_all();
            write(rows);
        }
    } catch (...) {
        stopWorkers();
        throw;
    }
    stopWorkers();
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
            InputFile in;
            openInput(in, path);
            const KstlReader reader(in, path);
            for (const auto& column : reader.columns()) {
                if (std::find(labels.begin(), labels.end(), column.label) == labels.end()) labels.push_back(column.label);
            }
        }

        std::string error;
        OutputFileWriter table(parsed.tablePath, out);
        if (!table.open(error)) throw KstlError(error);
        TableWriter(labels).writeHeader(table.stream());
        std::vector<FileSummary> summaries;
        tabulateInOrder(parsed, labels, [&](FileRows& rows) {
            if (!rows.error.empty()) throw KstlError(rows.error);
            if (!rows.warning.empty()) err << "kestrel-table: " << rows.warning << '\n';
            table.stream().write(rows.rows.data(), static_cast<std::streamsize>(rows.rows.size()));
            summaries.push_back(std::move(rows.summary));
        });
        if (!table.commit(error)) throw KstlError(error);
        if (!parsed.summaryPath.empty()) {
            OutputFileWriter summary(parsed.summaryPath, out);
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
