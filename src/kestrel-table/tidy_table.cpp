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
#include "tools/kstl_table.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/table_join.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-table [-o FILE.tsv] [--summary FILE.tsv] [-j THREADS] [--list FILE] [--allow-incomplete]\n"
    "                     [--indices [--background flanks|genome] [--reference FILE.scu] [--pseudocount X]]\n"
    "                     [--trna FILE.tsv] [--trna-folder DIR] [--rscu FILE.tsv] [--source file|genome]\n"
    "                     OUTPUT.kstl...\n"
    "       kestrel-table --join [-o FILE.tsv] [--list FILE] TABLE.tsv...\n"
    "\n"
    "Writes the gene rows of KESTREL output files as one tab-separated table: a first\n"
    "column source (the output file's name as given, or with --source genome the\n"
    "genome's: the file's name without its folder and .kstl), then every column under its\n"
    "label, values trimmed, placeholders written as NA. Files with different columns\n"
    "are joined on the union of their labels, in first-seen order; a file without a\n"
    "column gets NA there. The table goes to FILE.tsv, or to standard output without -o.\n"
    "\n"
    "--summary FILE.tsv writes one row per output file: genes analysed (rows), genes\n"
    "included in and excluded from the cumulative counts, the medians of ENC, GC3,\n"
    "GC3_6, CAI and Fop over the genes that have a value (NA where a file lacks the\n"
    "column), and the NCBI number of the genetic code the genes were read with.\n"
    "\n"
    "--indices adds, per gene, Nc_Sun, ENCprime, MILC, SCUO, GC12, GC3_4fold,\n"
    "A3_4fold, T3_4fold, G3_4fold, C3_4fold, CBI, GRAVY, Aromaticity, L_sym and L_aa,\n"
    "computed from the gene's codon counts (the file must have the codon usage columns)\n"
    "under the genetic code the file's header names. CBI takes the optimal codons of the\n"
    "header's copy of the .opt file the analysis used (NA without one). ENCprime\n"
    "measures usage against the base composition of the gene's own flanks, or of all\n"
    "noncoding bases of the file when the flanks hold fewer than 200 bases or with\n"
    "--background genome. MILC measures it against the file's cumulative\n"
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
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n"
    "\n"
    "--join joins tab-separated tables, each a header line of column labels and rows of\n"
    "as many cells (such as kestrel-genome's NAME.genes.tsv or NAME.genome.tsv), into\n"
    "one: the rows of every table in the order given, under the union of their labels\n"
    "in first-seen order, NA where a table lacks a column. --list names further tables;\n"
    "no other option goes with it. Exit status 1 for a table that cannot be read, has no\n"
    "header line, repeats a label, or has a row of more or fewer cells than labels.\n";

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
                     {"--rscu", {}, true, "a file name"},
                     {"--source", {}, true, "file or genome"},
                     {"--join"}}};

constexpr unsigned MaxThreads = 256;

struct TableArguments {
    std::string tablePath;
    std::string summaryPath;
    std::string rscuPath;
    TableSettings settings;
    std::vector<std::string> dataFiles;  // the --reference and --trna files
    std::vector<std::string> lists;
    std::vector<std::string> inputs;
};

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

SourceName sourceNaming(const std::string& value) {
    if (value == "file") return SourceName::File;
    if (value == "genome") return SourceName::Genome;
    throw UsageError("--source takes file or genome, not " + value);
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
    if (const auto threads = line.value("-j")) parsed.settings.threads = threadCount(*threads);
    parsed.settings.allowIncomplete = line.has("--allow-incomplete");
    if (const auto source = line.value("--source")) parsed.settings.source = sourceNaming(*source);
    parsed.lists = line.values("--list");
    parsed.inputs = line.operands;
    parsed.settings.indices = indexSettings(line, parsed.rscuPath);
    for (const char* option : {"--reference", "--trna"})
        if (const auto path = line.value(option)) parsed.dataFiles.push_back(*path);
    for (const auto& list : parsed.lists) readFileList(list, parsed.inputs);
    if (parsed.inputs.empty()) throw UsageError("no output file named");
    checkOutputs(parsed);
    checkCensusFolder(parsed.settings.indices.censusFolder);
    return parsed;
}

// The table and, when asked for, the RSCU and summary tables: opened before any file is
// tabulated, and committed together.
struct TableOutputs {
    TableOutputs(const TableArguments& parsed, std::ostream& out) : table(parsed.tablePath, out) {
        std::string error;
        if (!table.open(error)) throw KstlError(error);
        if (parsed.settings.indices.rscu) rscu.emplace(parsed.rscuPath, out);
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
    TableWriter(labels, parsed.settings.indices).writeHeader(outputs.table.stream());
    if (outputs.rscu) outputs.rscu->stream() << RscuHeader;
    std::vector<FileSummary> summaries;
    tabulateInOrder(parsed.settings, parsed.inputs, labels, [&](FileRows& rows) {
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

// --join: tables joined on the union of their labels.
int joinTables(const CommandLine& line, std::ostream& out) {
    for (const auto& [name, value] : line.options)
        if (name != "--join" && name != "-o" && name != "--list") throw UsageError(name + " does not go with --join");
    std::vector<std::string> inputs = line.operands;
    const std::vector<std::string> lists = line.values("--list");
    for (const std::string& list : lists) readFileList(list, inputs);
    if (inputs.empty()) throw UsageError("no table named");
    const std::string path = line.value("-o").value_or("");
    inputs.insert(inputs.end(), lists.begin(), lists.end());
    if (auto input = inputWrittenOver(path, inputs))
        throw ToolFailure(ExitUsage, "the output file " + path + " is the input file " + *input);
    inputs.resize(inputs.size() - lists.size());
    const std::vector<std::string> labels = joinedLabels(inputs);
    OutputFileWriter table(path, out);
    std::string error;
    if (!table.open(error)) throw ToolFailure(ExitBadData, error);
    writeJoinedTables(inputs, labels, table.stream());
    if (!table.commit(error)) throw ToolFailure(ExitBadData, error);
    return ExitSuccess;
}

}  // namespace

int runTableTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err,
                   [](const CommandLine& line, std::ostream& out, std::ostream& err) {
                       if (line.has("--join")) return joinTables(line, out);
                       return writeTables(tableArguments(line), out, err);
                   });
}

}  // namespace kestrel
