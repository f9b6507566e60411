#include "kestrel-table/tidy_table.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <filesystem>
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
#include "formats/reference_file.hpp"
#include "formats/trna_census.hpp"
#include "tools/gene_indices.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-table [-o FILE.tsv] [--summary FILE.tsv] [-j THREADS] [--list FILE] [--allow-incomplete]\n"
    "                     [--indices [--background flanks|genome] [--reference FILE.scu] [--pseudocount X]]\n"
    "                     [--trna FILE.tsv] [--trna-folder DIR] [--rscu FILE.tsv] OUTPUT.kstl...\n"
    "\n"
    "Writes the gene rows of KESTREL output files as one tab-separated table: a first\n"
    "column source (the output file's name as given), then every column under its\n"
    "label, values trimmed, placeholders written as NA. Files with different columns\n"
    "are joined on the union of their labels, in first-seen order; a file without a\n"
    "column gets NA there. The table goes to FILE.tsv, or to standard output without -o.\n"
    "\n"
    "--summary FILE.tsv writes one row per output file: genes analysed (rows), genes\n"
    "included in and excluded from the cumulative counts, the medians of ENC, GC3,\n"
    "GC3_6, CAI and Fop over the genes that have a value (NA where a file lacks the\n"
    "column), and the NCBI number of the genetic code the genes were read with.\n"
    "\n"
    "--indices adds, per gene, Nc_Sun, ENCprime, MILC, SCUO, GC12, GC3_4fold and\n"
    "A3_4fold, T3_4fold, G3_4fold, C3_4fold, computed from the gene's codon counts (the\n"
    "file must have the codon usage columns) under the genetic code the file's header\n"
    "names. ENCprime measures usage against the base composition of the gene's own\n"
    "flanks, or of all noncoding bases of the file when the flanks hold fewer than 200\n"
    "bases or with --background genome. MILC measures it against the file's cumulative\n"
    "codon usage, or the counts of --reference FILE.scu; --pseudocount X adds X to every\n"
    "codon of that usage (default 0), so that a codon it lacks no longer leaves MILC NA.\n"
    "--trna FILE.tsv (a tRNA census from kestrel-lookup --trna) adds tAI; with\n"
    "--trna-folder DIR, which must be a folder, each output file NAME.kstl takes the\n"
    "census DIR/NAME.tsv (tAI is NA for a file without one).\n"
    "--rscu FILE.tsv writes each gene's RSCU in long form: source, gene, codon, amino\n"
    "acid, count, RSCU. A value that cannot be computed is NA.\n"
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
    "not a complete KESTREL analysis output file, lacks the codon counts that\n"
    "--indices, --trna or --rscu need or holds one that is not a whole number, or when\n"
    "the --trna-folder DIR is not a folder; 2 for a wrong command line (an output\n"
    "file that is also an input is one). A named regular file is written only when\n"
    "complete, and the files of -o, --rscu and --summary replace the old ones all or\n"
    "none; a FIFO, device or /dev/stdout is written in place. --version prints the\n"
    "version.\n"
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-table",
                    Usage,
                    {{"-o", {}, true, "a file name"},
                     {"--summary", {}, true, "a file name"},
                     {"--list", {}, true, "a file name"},
                     {"-j", "--threads", true, "a number of threads"},
                     {"--allow-incomplete"},
                     {"--indices"},
                     {"--background", {}, true, "flanks or genome"},
                     {"--reference", {}, true, "a file name"},
                     {"--pseudocount", {}, true, "a number"},
                     {"--trna", {}, true, "a file name"},
                     {"--trna-folder", {}, true, "a folder name"},
                     {"--rscu", {}, true, "a file name"}}};

constexpr std::array<const char*, 5> MedianColumns = {"ENC", "GC3", "GC3_6", "CAI", "Fop"};

constexpr unsigned MaxThreads = 256;

struct TableArguments {
    std::string tablePath;
    std::string summaryPath;
    std::string rscuPath;
    IndexSettings indexSettings;
    std::vector<std::string> dataFiles;  // the --reference and --trna files
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
    int geneticCode = 1;
    std::size_t rows = 0;
    KstlSummary counts;
    std::array<std::optional<double>, MedianColumns.size()> medians;
};

class TableWriter {
public:
    TableWriter(std::vector<std::string> labels, const IndexSettings& settings)
        : labels_(std::move(labels)), settings_(settings) {}

    void writeHeader(std::ostream& out) const {
        out << "source";
        for (const auto& label : labels_) out << '\t' << label;
        for (const auto& label : indexLabels(settings_)) out << '\t' << label;
        out << '\n';
    }

    // Appends one file's rows to out, and their RSCU lines to rscu when asked for; the
    // reader is positioned just after its column-header line.
    FileSummary writeRows(KstlReader& reader, std::string& out, std::string& rscu, const FileTotals& totals) {
        std::vector<std::optional<std::size_t>> fileColumn(labels_.size());
        for (std::size_t i = 0; i < labels_.size(); ++i) fileColumn[i] = reader.columnIndex(labels_[i]);
        std::array<std::optional<std::size_t>, MedianColumns.size()> medianColumn;
        for (std::size_t m = 0; m < MedianColumns.size(); ++m) medianColumn[m] = reader.columnIndex(MedianColumns[m]);
        for (auto& values : medianValues_) values.clear();
        std::optional<GeneIndexColumns> indices;
        if (settings_.needsCodonCounts()) {
            indices.emplace(settings_, reader);
            indices->useTotals(totals);
        }

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
            if (indices) {
                const GeneCodonCounts counts = indices->countsOf(reader, cells_);
                indices->appendCells(cells_, counts, out);
                if (settings_.rscu) indices->appendRscu(cells_, counts, source, rscu);
            }
            out += '\n';
            for (std::size_t m = 0; m < MedianColumns.size(); ++m) {
                if (!medianColumn[m]) continue;
                if (auto value = numericValue(cells_[*medianColumn[m]])) medianValues_[m].push_back(*value);
            }
        }
        FileSummary summary;
        summary.source = reader.name();
        summary.geneticCode = reader.geneticCode();
        summary.rows = reader.rowsRead();
        summary.counts = reader.readSummary();
        for (std::size_t m = 0; m < MedianColumns.size(); ++m) {
            if (medianColumn[m]) summary.medians[m] = median(medianValues_[m]);
        }
        return summary;
    }

private:
    std::vector<std::string> labels_;
    const IndexSettings& settings_;
    std::vector<KstlCell> cells_;
    std::array<std::vector<double>, MedianColumns.size()> medianValues_;
};

void writeSummaryTable(const std::vector<FileSummary>& files, std::ostream& out) {
    out << "source\tgenes_analysed\tgenes_included\tgenes_excluded";
    for (const char* column : MedianColumns) out << "\tmedian_" << column;
    out << "\tgenetic_code\n";
    for (const auto& file : files) {
        writeField(out, file.source);
        out << '\t' << file.rows << '\t' << formatCount(file.counts.genesIncluded) << '\t'
            << formatCount(file.counts.genesExcluded);
        for (const auto& value : file.medians) out << '\t' << formatValue(value);
        out << '\t' << file.geneticCode << '\n';
    }
}

// An output file may be neither an input nor the other output.
void checkOutputs(const TableArguments& parsed) {
    std::vector<std::string> inputs = parsed.inputs;
    inputs.insert(inputs.end(), parsed.lists.begin(), parsed.lists.end());
    inputs.insert(inputs.end(), parsed.dataFiles.begin(), parsed.dataFiles.end());
    for (const std::string* output : {&parsed.tablePath, &parsed.summaryPath, &parsed.rscuPath})
        if (auto input = inputWrittenOver(*output, inputs))
            throw ToolFailure(ExitUsage, "the output file " + *output + " is the input file " + *input);
    if (sameDestination(parsed.summaryPath, parsed.tablePath) || sameDestination(parsed.rscuPath, parsed.tablePath) ||
        sameDestination(parsed.rscuPath, parsed.summaryPath))
        throw ToolFailure(ExitUsage, "-o, --summary and --rscu name the same file");
}

unsigned threadCount(const std::string& value) {
    unsigned threads = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
    if (value.empty() || error != std::errc{} || end != value.data() + value.size() || threads == 0 ||
        threads > MaxThreads)
        throw UsageError("-j needs a number of threads from 1 to " + std::to_string(MaxThreads));
    return threads;
}

void openData(InputFile& in, const std::string& path) {
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
}

double pseudocount(const std::string& value) {
    double x = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), x);
    if (value.empty() || error != std::errc{} || end != value.data() + value.size() || !std::isfinite(x) || x < 0)
        throw UsageError("--pseudocount needs a number of at least 0, not " + value);
    return x;
}

// A census folder that is missing, or is no folder, would leave every tAI NA without a word.
// Like an input file that cannot be read, it is bad data (exit 1), not a wrong command line.
void checkCensusFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        throw ToolFailure(ExitBadData, "--trna-folder " + folder + ": " +
                                           (std::filesystem::exists(folder, error) ? "not a folder" : "no such folder"));
}

IndexSettings indexSettings(const CommandLine& line, std::string& rscuPath) {
    IndexSettings settings;
    settings.indices = line.has("--indices");
    const auto background = line.value("--background");
    if ((background || line.value("--reference") || line.value("--pseudocount")) && !settings.indices)
        throw UsageError("--background, --reference and --pseudocount go with --indices");
    if (background && *background != "genome" && *background != "flanks")
        throw UsageError("--background takes flanks or genome, not " + *background);
    settings.genomeBackground = background == "genome";
    if (const auto value = line.value("--pseudocount")) settings.pseudocount = pseudocount(*value);
    if (const auto path = line.value("--reference")) {
        InputFile in;
        openData(in, *path);
        std::array<std::int32_t, 64> counts{};
        if (!readReferenceEntries(in, counts)) throw ToolFailure(ExitBadData, *path + ": not a codon-count (.scu) file");
        settings.reference.emplace();
        for (int c = 0; c < 64; ++c) (*settings.reference)[c] = counts[c];
    }
    if (const auto path = line.value("--trna")) {
        InputFile in;
        openData(in, *path);
        settings.census.emplace();
        const std::string problem = readTrnaCensus(in, *settings.census);
        if (!problem.empty()) throw ToolFailure(ExitBadData, *path + ", " + problem);
    }
    settings.censusFolder = line.value("--trna-folder").value_or("");
    if (settings.census && !settings.censusFolder.empty()) throw UsageError("give --trna or --trna-folder, not both");
    rscuPath = line.value("--rscu").value_or("");
    settings.rscu = !rscuPath.empty();
    return settings;
}

TableArguments tableArguments(const CommandLine& line) {
    TableArguments parsed;
    parsed.tablePath = line.value("-o").value_or("");
    parsed.summaryPath = line.value("--summary").value_or("");
    if (const auto threads = line.value("-j")) parsed.threads = threadCount(*threads);
    parsed.allowIncomplete = line.has("--allow-incomplete");
    parsed.lists = line.values("--list");
    parsed.inputs = line.operands;
    parsed.indexSettings = indexSettings(line, parsed.rscuPath);
    for (const char* option : {"--reference", "--trna"})
        if (const auto path = line.value(option)) parsed.dataFiles.push_back(*path);
    for (const auto& list : parsed.lists) readFileList(list, parsed.inputs);
    if (parsed.inputs.empty()) throw UsageError("no output file named");
    checkOutputs(parsed);
    checkCensusFolder(parsed.indexSettings.censusFolder);
    return parsed;
}

void openInput(InputFile& in, const std::string& path) {
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw KstlError(problem);
}

// One file's share of the table: its rows as they will be written and its summary row,
// or why the file could not be read.
struct FileRows {
    std::string rows;
    std::string rscu;
    FileSummary summary;
    std::string error;
    std::string warning;
};

// The first of two readings of a file: its whole noncoding composition and its cumulative
// codon counts.
FileTotals readTotals(const std::string& path, const IndexSettings& settings) {
    FileTotals totals;
    InputFile in;
    openInput(in, path);
    KstlReader reader(in, path);
    const GeneIndexColumns columns(settings, reader);
    std::vector<KstlCell> cells;
    while (reader.nextRow(cells)) columns.addNoncoding(cells, totals);
    totals.cumulativeCodons = reader.readSummary().cumulativeCodons;
    if (in.bad()) throw KstlError(path + ": reading failed");
    return totals;
}

// The census of NAME.kstl in the census folder, NAME.tsv; none when there is no such file.
std::optional<TrnaCensus> folderCensus(const std::string& path, const std::string& folder) {
    std::string name = std::filesystem::path(path).filename().string();
    if (name.ends_with(".kstl")) name.resize(name.size() - 5);
    const std::string census = folder + "/" + name + ".tsv";
    std::error_code ignored;
    if (!std::filesystem::exists(census, ignored)) return std::nullopt;
    InputFile in;
    openInput(in, census);
    TrnaCensus read;
    const std::string problem = readTrnaCensus(in, read);
    if (!problem.empty()) throw KstlError(census + ", " + problem);
    return read;
}

FileRows tabulateFile(const std::string& path, TableWriter& writer, const TableArguments& parsed) {
    const bool allowIncomplete = parsed.allowIncomplete;
    FileRows result;
    try {
        FileTotals totals =
            parsed.indexSettings.needsFirstPass() ? readTotals(path, parsed.indexSettings) : FileTotals{};
        if (!parsed.indexSettings.censusFolder.empty())
            totals.census = folderCensus(path, parsed.indexSettings.censusFolder);
        InputFile in;
        openInput(in, path);
        KstlReader reader(in, path);
        result.summary = writer.writeRows(reader, result.rows, result.rscu, totals);
        if (in.bad()) throw KstlError(path + ": reading failed");
        if (!result.summary.counts.complete) {
            if (!allowIncomplete) throw KstlError(cutShortText(path) + " (--allow-incomplete takes it)");
            result.warning = "warning: " + cutShortText(path) + "; its included and excluded counts are NA";
            result.summary.counts = KstlSummary{};
        }
    } catch (const std::exception& e) {
        result.rows.clear();
        result.rscu.clear();
        result.error = e.what();
    }
    return result;
}

// Files tabulated by worker threads and handed out in the order of the command line.
// Files are read at most two per thread ahead of the one handed out, which bounds the
// memory held. Destroying it stops the threads after their current file.
class ParallelTabulation {
public:
    ParallelTabulation(const TableArguments& parsed, const std::vector<std::string>& labels)
        : parsed_(parsed), labels_(labels), done_(parsed.inputs.size()), ahead_(2 * std::size_t{parsed.threads}) {
        for (unsigned t = 0; t < std::min<std::size_t>(parsed.threads, parsed.inputs.size()); ++t)
            workers_.emplace_back([this] { work(); });
    }
    ParallelTabulation(const ParallelTabulation&) = delete;
    ParallelTabulation& operator=(const ParallelTabulation&) = delete;
    ~ParallelTabulation() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        workers_.clear();  // joins
    }

    // Waits for file i, the next in order.
    FileRows take(std::size_t i) {
        FileRows rows;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return done_[i].has_value(); });
            rows = std::move(*done_[i]);
            done_[i].reset();
            handedOut_ = i + 1;
        }
        changed_.notify_all();
        return rows;
    }

private:
    void work() {
        TableWriter writer(labels_, parsed_.indexSettings);
        const std::vector<std::string>& paths = parsed_.inputs;
        while (true) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || next_ >= paths.size() || next_ < handedOut_ + ahead_; });
                if (stop_ || next_ >= paths.size()) return;
                index = next_++;
            }
            FileRows rows = tabulateFile(paths[index], writer, parsed_);
            {
                const std::lock_guard lock(mutex_);
                done_[index] = std::move(rows);
            }
            changed_.notify_all();
        }
    }

    const TableArguments& parsed_;
    const std::vector<std::string>& labels_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::optional<FileRows>> done_;
    std::size_t next_ = 0;       // the next file a worker takes
    std::size_t handedOut_ = 0;  // files handed out so far
    bool stop_ = false;
    const std::size_t ahead_;
    std::vector<std::jthread> workers_;  // last: the threads go before what they use
};

// Tabulates the files and hands each file's rows to write in the order of the command
// line, so that the table is the same for any number of threads.
template <typename Write>
void tabulateInOrder(const TableArguments& parsed, const std::vector<std::string>& labels, Write write) {
    if (parsed.threads <= 1 || parsed.inputs.size() <= 1) {
        TableWriter writer(labels, parsed.indexSettings);
        for (const auto& path : parsed.inputs) {
            FileRows rows = tabulateFile(path, writer, parsed);
            write(rows);
        }
        return;
    }
    ParallelTabulation tabulation(parsed, labels);
    for (std::size_t i = 0; i < parsed.inputs.size(); ++i) {
        FileRows rows = tabulation.take(i);
        write(rows);
    }
}

// First pass: the column-header lines of all files give the union of labels, and a file
// that is not an output file stops the run before anything is written.
std::vector<std::string> unionOfLabels(const std::vector<std::string>& paths) {
    std::vector<std::string> labels;
    for (const auto& path : paths) {
        InputFile in;
        openInput(in, path);
        const KstlReader reader(in, path);
        for (const auto& column : reader.columns())
            if (std::find(labels.begin(), labels.end(), column.label) == labels.end()) labels.push_back(column.label);
    }
    return labels;
}

// The table and, when asked for, the RSCU and summary tables: opened before any file is
// tabulated, and committed together.
struct TableOutputs {
    TableOutputs(const TableArguments& parsed, std::ostream& out) : table(parsed.tablePath, out) {
        std::string error;
        if (!table.open(error)) throw KstlError(error);
        if (parsed.indexSettings.rscu) rscu.emplace(parsed.rscuPath, out);
        if (!parsed.summaryPath.empty()) summary.emplace(parsed.summaryPath, out);
        for (auto* file : {&rscu, &summary})
            if (*file && !(*file)->open(error)) throw KstlError(error);
    }
    // Every table replaces the old one, or none does.
    void commit() {
        std::string error;
        if (!commitTogether({&table, rscu ? &*rscu : nullptr, summary ? &*summary : nullptr}, error))
            throw KstlError(error);
    }
    OutputFileWriter table;
    std::optional<OutputFileWriter> rscu, summary;
};

int writeTables(const TableArguments& parsed, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> labels = unionOfLabels(parsed.inputs);
    TableOutputs outputs(parsed, out);
    TableWriter(labels, parsed.indexSettings).writeHeader(outputs.table.stream());
    if (outputs.rscu) outputs.rscu->stream() << RscuHeader;
    std::vector<FileSummary> summaries;
    tabulateInOrder(parsed, labels, [&](FileRows& rows) {
        if (!rows.error.empty()) throw KstlError(rows.error);
        if (!rows.warning.empty()) err << "kestrel-table: " << rows.warning << '\n';
        outputs.table.stream().write(rows.rows.data(), static_cast<std::streamsize>(rows.rows.size()));
        if (outputs.rscu) outputs.rscu->stream().write(rows.rscu.data(), static_cast<std::streamsize>(rows.rscu.size()));
        summaries.push_back(std::move(rows.summary));
    });
    if (outputs.summary) writeSummaryTable(summaries, outputs.summary->stream());
    outputs.commit();
    return ExitSuccess;
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
    return runTool(Tool, args, out, err,
                   [](const CommandLine& line, std::ostream& out, std::ostream& err) {
                       return writeTables(tableArguments(line), out, err);
                   });
}

}  // namespace kestrel
