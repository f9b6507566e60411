#include "kestrel-genome/genome_tool.hpp"

#include <sys/stat.h>

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
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

using genome::GenomeJob;
using genome::GenomeOptions;

const std::string Usage = std::string(
    "usage: kestrel-genome [OPTIONS] -o DIR GENOME...\n"
    "       kestrel-genome [OPTIONS] -o DIR [--name NAME] (--gff GFF3 [--fasta FASTA] | --cds-fasta FASTA)...\n"
    "       kestrel-genome --batch LIST | --help | --version\n"
    "\n"
    "Runs every step from an annotated genome to its results, in one process, and writes\n"
    "them to DIR as NAME.*: the lookup table (.lookup) and the sequence file it names\n"
    "(.seq), the tRNA census (.trna.tsv), the genome's CAI and Fop reference (.scu, .opt,\n"
    "and .reference.tsv: its genes and codons), the analysis (.kstl), the per-gene table\n"
    "with the added indices and tAI (.genes.tsv), a one-row summary of the genome with\n"
    "its growth prediction (.genome.tsv), the figures (.svg: ENC against GC3;\n"
    ".neutrality.svg; .pr2.svg), the correspondence analysis (.coa.*) and the reference\n"
    "set against the other genes (.compare.tsv, .compare.svg). The results are those of\n"
    "kestrel-lookup --seq, kestrel-reference, kestrel, kestrel-table --source genome,\n"
    "kestrel-plot, kestrel-coa, kestrel-growth and kestrel-compare run by hand in DIR on\n"
    "the same inputs with the same choices.\n"
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
    "  --verbose, --quiet      every step of the analysis on standard error; or nothing\n"
    "                          but problems\n"
    "The analysis takes kestrel's options (but --check and its options). The genome type is\n"
    "a prokaryote's when the annotation's taxonomy begins with Bacteria or Archaea, or\n"
    "without one when most CDSs are of /transl_table 11, else a eukaryote's; --prokaryote\n"
    "or --eukaryote decides instead. The genetic code is that of most CDSs unless -g N.\n"
    "--rscu and --optimal give reference files for every genome in place of its own.\n") +
    AnalysisOptionsUsage +
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
    tool.options.push_back({"--verbose"});
    tool.options.push_back({"--quiet"});
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

std::string readWhole(const std::string& path) {
    InputFile in;
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    std::string text;
    char buffer[1 << 14];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw ToolFailure(ExitBadData, path + ": reading failed");
    return text;
}

void readFixedReferences(GenomeOptions& options) {
    RunSettings& settings = options.settings;
    readReferenceFiles(settings, options.fixedReferences);
    if (settings.rscuTableUsed) options.fixedReferenceTexts[0] = readWhole(settings.rscuFileName);
    if (settings.preferredCodonListUsed) options.fixedReferenceTexts[1] = readWhole(settings.preferredCodonFileName);
}

double pThreshold(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const double p = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || end != text.c_str() + text.size() || !(p > 0.0 && p <= 1.0))
        throw UsageError("--p takes a number above 0 and at most 1, not " + text);
    return p;
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
    options.verbose = line.has("--verbose");
    options.quiet = line.has("--quiet");
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

int runGenomes(const CommandLine& line, std::ostream&, std::ostream& err) {
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
