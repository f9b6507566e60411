#include "kestrel-genome/genome_tool.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "analysis/cai_weights.hpp"
#include "formats/lookup_format.hpp"
#include "formats/reference_file.hpp"
#include "kestrel-genome/genome_run.hpp"
#include "tools/analysis_options.hpp"
#include "tools/annotated_inputs.hpp"
#include "tools/cds_selection.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/run_report.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

using genome::GenomeJob;
using genome::GenomeOptions;

const std::string Usage = std::string(
    "usage: kestrel-genome [OPTIONS] -o DIR GENOME...\n"
    "       kestrel-genome [OPTIONS] -o DIR [--name NAME] (--gff GFF3 [--fasta FASTA] | --cds-fasta FASTA)...\n"
    "       kestrel-genome --check-options [OPTIONS]\n"
    "       kestrel-genome --run-report -o REPORT.html [--page PATTERN] [--figure FILE.svg]...\n"
    "                      [--failures FILE]... [--title TEXT] (TABLE.tsv | DIR)...\n"
    "       kestrel-genome --batch LIST | --help | --version\n"
    "\n"
    "Runs every step from an annotated genome to its results, in one process, and writes\n"
    "them to DIR as NAME.*: the lookup table (.lookup) and the sequence file it names\n"
    "(.seq), the tRNA census (.trna.tsv), the genome's CAI and Fop reference (.scu, .opt,\n"
    "and .reference.tsv: its genes and codons), the analysis (.kstl), the per-gene table\n"
    "with the added indices and tAI (.genes.tsv), a one-row summary of the genome with\n"
    "its growth prediction (.genome.tsv), the figures (.svg: ENC against GC3;\n"
    ".neutrality.svg; .pr2.svg), the correspondence analysis (.coa.*), the reference\n"
    "set against the other genes (.compare.tsv, .compare.svg), and a report of them all in\n"
    "one page (.report.html, self-contained; not with --no-report). The results but the\n"
    "report are those of kestrel-lookup --seq, kestrel-reference, kestrel, kestrel-table\n"
    "--source genome, kestrel-plot, kestrel-coa, kestrel-growth and kestrel-compare run\n"
    "by hand in DIR on the same inputs with the same choices.\n"
    "\n"
    "Each GENOME (a GenBank, EMBL or GFF3-with-##FASTA file), each --gff with its\n"
    "--fasta, and each --cds-fasta file is one genome, named after its file (without\n"
    "its folder, .gz and format suffix); with --name NAME, all the files named are one\n"
    "genome of that name. Any input may be gzip-compressed. A genome's results replace\n"
    "those of an earlier run together, once all are complete; a genome that fails\n"
    "leaves its earlier results as they were, and the others go on.\n"
    "\n"
    "  -o DIR                  the results folder (made when missing)\n"
    "  --name NAME             the name of the one genome the inputs make\n"
    "  --reference SET         the genome's own CAI and Fop reference: ribosomal (the\n"
    "                          default), iterative, coa, genes:FILE, or none. A genome\n"
    "                          without a set, or whose set has no optimal codon, is\n"
    "                          analysed without CAI and Fop, and says why\n"
    "  --p P                   optimal codons at p < P (default 0.01)\n"
    "  --keep-pseudo           also /pseudo CDSs in the lookup table\n"
    "  --x GC3|GC3_6           the x axis of the ENC figure (default GC3_6 when the\n"
    "                          analysis has it, else GC3)\n"
    "  --no-report             no NAME.report.html\n"
    "  --threads 1|2           the threads a genome takes (default 2: the figures and the\n"
    "                          growth prediction beside the analysis)\n"
    "  --verbose, --quiet      every step of the analysis on standard error; or nothing\n"
    "                          but problems\n"
    "The analysis takes kestrel's options (but --check and its options). The genome type is\n"
    "a prokaryote's when the annotation's taxonomy begins with Bacteria or Archaea, or\n"
    "without one when most CDSs are of /transl_table 11, else a eukaryote's; --prokaryote\n"
    "or --eukaryote decides instead. The genetic code is that of most CDSs unless -g N.\n"
    "--rscu and --optimal give reference files for every genome in place of its own.\n") +
    AnalysisOptionsUsage +
    "\n"
    "--check-options checks OPTIONS as a run would take them for every genome (each\n"
    "value, how they go together, the files they read) without reading a genome or\n"
    "writing anything, and prints the files they read, one a line: exit status 0, or 2\n"
    "with the reason. It takes no genome, -o or --name.\n"
    "\n"
    "--run-report writes one page over many genomes' results: their summary rows (the\n"
    "NAME.genome.tsv tables named, a table joining them, or those in each folder DIR),\n"
    "each genome linked to its page (PATTERN, with {name} for the genome's name; else\n"
    "NAME.report.html beside its table), the figures named, the predicted doubling times,\n"
    "and the failures of the run (FILE: a line \"NAME<tab>LOG[<tab>REASON]\" each, the\n"
    "reason from the log when not given). Paths are as given here; the page links them\n"
    "relative to itself.\n"
    "\n"
    "Exit status: 0 every genome done, 1 a genome failed (its reason on standard error),\n"
    "2 a wrong command line. --batch LIST runs the command lines of LIST in one process:\n"
    "see the manual page.\n";

ToolDescription description() {
    ToolDescription tool{"kestrel-genome", Usage, {}};
    for (const OptionDescription& option : analysisOptionDescriptions())
        if (!option.name.starts_with("--check") && option.name != "--no-check-cds-ends") tool.options.push_back(option);
    for (const OptionDescription& option : InputOptions) tool.options.push_back(option);
    tool.options.push_back({"-o", {}, true, "a folder name"});
    tool.options.push_back({"--name", {}, true, "a genome name"});
    tool.options.push_back({"--reference", {}, true, "ribosomal, iterative, coa, genes:FILE or none"});
    tool.options.push_back({"--p", {}, true, "a p-value threshold"});
    tool.options.push_back({"--keep-pseudo"});
    tool.options.push_back({"--x", {}, true, "GC3 or GC3_6"});
    tool.options.push_back({"--threads", {}, true, "1 or 2"});
    tool.options.push_back({"--no-report"});
    tool.options.push_back({"--run-report"});
    tool.options.push_back({"--page", {}, true, "a file name pattern"});
    tool.options.push_back({"--figure", {}, true, "a file name"});
    tool.options.push_back({"--failures", {}, true, "a file name"});
    tool.options.push_back({"--title", {}, true, "a title"});
    tool.options.push_back({"--verbose"});
    tool.options.push_back({"--quiet"});
    tool.options.push_back({"--check-options"});
    return tool;
}

const ToolDescription& genomeTool() {
    static const ToolDescription tool = description();
    return tool;
}

// A genome's name from its file: without the folder, ".gz" and the format's suffix.
std::string nameOf(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.ends_with(".gz")) name.resize(name.size() - 3);
    for (const char* suffix : {".gbff", ".gbk", ".gb", ".embl", ".dat", ".gff3", ".gff", ".fna", ".fasta", ".fa",
                               ".ffn", ".fas", ".fsa", ".seq"})
        if (name.ends_with(suffix) && name.size() > std::strlen(suffix)) {
            name.resize(name.size() - std::strlen(suffix));
            break;
        }
    return name;
}

void checkName(const std::string& name) {
    const bool control = std::any_of(name.begin(), name.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos || control ||
        name.front() == '.' || name.front() == '-')
        throw UsageError("'" + name + "' cannot name a genome's results (no folder, control character, or leading "
                         "'.' or '-'; give --name)");
}

std::vector<GenomeJob> genomeJobs(const CommandLine& line, const std::string& folder) {
    const std::vector<InputFiles> inputs = inputFiles(line);
    std::vector<GenomeJob> jobs;
    if (const auto name = line.value("--name")) {
        checkName(*name);
        jobs.push_back({*name, inputs, folder});
    } else {
        for (const InputFiles& input : inputs) {
            GenomeJob job{nameOf(input.path), {input}, folder};
            checkName(job.name);
            for (const GenomeJob& other : jobs)
                if (other.name == job.name)
                    throw UsageError("two genomes are both named " + job.name + ": give each its own run, or --name");
            jobs.push_back(std::move(job));
        }
    }
    return jobs;
}

void readFixedReferences(GenomeOptions& options) {
    RunSettings& settings = options.settings;
    readReferenceFiles(settings, options.fixedReferences);
    if (settings.rscuTableUsed) options.fixedReferenceTexts[0] = readWholeFile(settings.rscuFileName);
    if (settings.preferredCodonListUsed) options.fixedReferenceTexts[1] = readWholeFile(settings.preferredCodonFileName);
}

double pThreshold(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const double p = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || end != text.c_str() + text.size() || !(p > 0.0 && p <= 1.0))
        throw UsageError("--p takes a number above 0 and at most 1, not " + text);
    return p;
}

// The command line as the tool read it, one word an element: its options in order, then
// its operands (after "--" when one begins with '-').
std::vector<std::string> commandWords(const CommandLine& line) {
    std::vector<std::string> words{std::string(genomeTool().name)};
    for (const auto& [name, value] : line.options) {
        words.push_back(name);
        for (const OptionDescription& option : genomeTool().options)
            if (option.name == name && option.takesValue) words.push_back(value);
    }
    if (std::any_of(line.operands.begin(), line.operands.end(), [](const std::string& o) { return o.starts_with('-'); }))
        words.push_back("--");
    words.insert(words.end(), line.operands.begin(), line.operands.end());
    return words;
}

std::string workingFolder() {
    std::vector<char> path(4096);
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE || path.size() > (1u << 20)) return {};
        path.resize(path.size() * 2);
    }
    return path.data();
}

GenomeOptions genomeOptions(const CommandLine& line) {
    GenomeOptions options;
    applyAnalysisOptions(line, options.settings);
    options.wantedCode = geneticCodeOption(line);
    for (const auto& [name, value] : line.options) {
        if (name == "--prokaryote") options.genomeType = GenomeType::Prokaryote;
        if (name == "--eukaryote") options.genomeType = GenomeType::Eukaryote;
    }
    const std::string set = line.value("--reference").value_or("ribosomal");
    options.ownReference = set != "none";
    if (options.ownReference && !reference::isSetName(set))
        throw UsageError("--reference takes ribosomal, iterative, coa, genes:FILE or none, not " + set);
    options.set.set = set;
    if (const auto p = line.value("--p")) options.pThreshold = pThreshold(*p);
    options.keepPseudo = line.has("--keep-pseudo");
    options.plotX = line.value("--x");
    if (options.plotX && *options.plotX != "GC3" && *options.plotX != "GC3_6")
        throw UsageError("--x takes GC3 or GC3_6, not " + *options.plotX);
    const std::string threads = line.value("--threads").value_or("2");
    if (threads != "1" && threads != "2") throw UsageError("--threads takes 1 or 2, not " + threads);
    options.parallel = threads == "2";
    options.verbose = line.has("--verbose");
    options.quiet = line.has("--quiet");
    options.report = !line.has("--no-report");
    if (options.report) {
        options.command = commandWords(line);
        options.runFolder = workingFolder();
    }
    readFixedReferences(options);
    return options;
}

void makeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return;
        throw ToolFailure(ExitBadData, folder + ": not a folder");
    }
    throw ToolFailure(ExitBadData, folder + ": cannot be made (" + std::strerror(errno) + ")");
}

// The files the options read: the reference files given for every genome, else the gene list
// of the genome's own reference set.
std::vector<std::string> filesRead(const GenomeOptions& options) {
    std::vector<std::string> files;
    if (options.settings.rscuTableUsed) files.push_back(options.settings.rscuFileName);
    if (options.settings.preferredCodonListUsed) files.push_back(options.settings.preferredCodonFileName);
    if (files.empty() && options.ownReference && options.set.set.starts_with("genes:")) {
        files.push_back(options.set.set.substr(6));
        readWholeFile(files.back());
    }
    return files;
}

// --check-options: the options for every genome of a run, checked as the run checks them, and
// the files they read listed; any problem is a wrong command line, told without the usage.
int checkOptions(const CommandLine& line, std::ostream& out) {
    std::vector<std::string> files;
    try {
        for (const char* option : {"-o", "--name", "--gff", "--fasta", "--cds-fasta", "--run-report", "--page",
                                   "--figure", "--failures", "--title"})
            if (line.has(option)) throw UsageError(std::string("--check-options takes no ") + option);
        if (!line.operands.empty()) throw UsageError("--check-options takes no genome: " + line.operands.front());
        files = filesRead(genomeOptions(line));
        for (const std::string& file : files)
            if (file.find_first_of("\n\r") != std::string::npos)
                throw UsageError("the file name '" + file + "' holds a line break");
    } catch (const std::exception& e) {
        throw ToolFailure(ExitUsage, e.what());
    }
    for (const std::string& file : files) out << file << '\n';
    return ExitSuccess;
}

// No result may replace an input: a genome file, a reference file, a gene list.
void checkNotInputs(const std::vector<GenomeJob>& jobs, const CommandLine& line, const GenomeOptions& options) {
    std::vector<std::string> inputs;
    for (const GenomeJob& job : jobs) {
        const std::vector<std::string> paths = inputPaths(job.inputs);
        inputs.insert(inputs.end(), paths.begin(), paths.end());
    }
    const RunSettings& settings = options.settings;
    if (settings.rscuTableUsed) inputs.push_back(settings.rscuFileName);
    if (settings.preferredCodonListUsed) inputs.push_back(settings.preferredCodonFileName);
    const std::string set = line.value("--reference").value_or("");
    if (set.starts_with("genes:")) inputs.push_back(set.substr(6));
    for (const GenomeJob& job : jobs)
        for (const std::string& name : genome::resultNames(job.name))
            if (const auto input = inputWrittenOver(job.folder + "/" + name, inputs))
                throw ToolFailure(ExitUsage, "the result " + job.folder + "/" + name + " would replace the input " +
                                                 *input + ": give another -o or --name");
}

// --run-report: the page over many genomes' results.
int runReport(const CommandLine& line, std::ostream& out) {
    report::RunReportRequest request;
    for (const auto& [name, value] : line.options) {
        if (name == "--figure") request.figures.push_back(value);
        else if (name == "--failures") request.failures.push_back(value);
        else if (name != "--run-report" && name != "-o" && name != "--page" && name != "--title")
            throw UsageError(name + " does not go with --run-report");
    }
    request.output = line.value("-o").value_or("");
    if (request.output.empty()) throw UsageError("--run-report needs -o REPORT.html");
    request.inputs = line.operands;
    if (request.inputs.empty()) throw UsageError("--run-report needs a genome table or a folder of them");
    request.pagePattern = line.value("--page").value_or("");
    request.title = line.value("--title").value_or("");
    std::vector<std::string> read = request.inputs;
    read.insert(read.end(), request.figures.begin(), request.figures.end());
    read.insert(read.end(), request.failures.begin(), request.failures.end());
    if (const auto input = inputWrittenOver(request.output, read))
        throw ToolFailure(ExitUsage, "the output file " + request.output + " is the input file " + *input);
    report::RunReport page = report::gatherRunReport(request);
    page.command = commandWords(line);
    page.folder = workingFolder();
    OutputFileWriter writer(request.output, out);
    std::string error;
    if (!writer.open(error)) throw ToolFailure(ExitBadData, error);
    writer.stream() << report::renderRunReport(page);
    if (!writer.commit(error)) throw ToolFailure(ExitBadData, error);
    return ExitSuccess;
}

int runGenomes(const CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.has("--check-options")) return checkOptions(line, out);
    if (line.has("--run-report")) return runReport(line, out);
    for (const char* option : {"--page", "--figure", "--failures", "--title"})
        if (line.has(option)) throw UsageError(std::string(option) + " goes only with --run-report");
    const std::string folder = line.value("-o").value_or("");
    if (folder.empty()) throw UsageError("no results folder (-o DIR)");
    const GenomeOptions options = genomeOptions(line);
    const std::vector<GenomeJob> jobs = genomeJobs(line, folder);
    checkNotInputs(jobs, line, options);
    makeFolder(folder);
    int failed = 0;
    for (const GenomeJob& job : jobs) {
        try {
            genome::runGenome(job, options, err);
        } catch (const std::exception& e) {
            err << "kestrel-genome: " << job.name << ": FAILED: " << e.what() << '\n';
            ++failed;
        }
    }
    if (failed > 0 && jobs.size() > 1)
        err << "kestrel-genome: " << failed << " of " << jobs.size() << " genomes failed\n";
    return failed == 0 ? ExitSuccess : ExitBadData;
}

}  // namespace

int runGenomeTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(genomeTool(), args, out, err, runGenomes);
}

}  // namespace kestrel
