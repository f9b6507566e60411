#include "kestrel-reference/reference_tool.hpp"

#include <cerrno>
#include <cstdlib>

#include "tools/genome_genes.hpp"
#include "tools/reference_report.hpp"
#include "tools/reference_choice.hpp"
#include "formats/reference_file.hpp"
#include "tools/annotated_inputs.hpp"
#include "tools/coa_reference.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

using namespace reference;

constexpr std::string_view Usage =
    "usage: kestrel-reference -o PREFIX [--set SET] [--share PERCENT] [--p P] [-g N] [SEQFILE...]\n"
    "                         [--gff GFF3 [--fasta FASTA]]... [--cds-fasta FASTA]...\n"
    "\n"
    "Builds CAI and Fop references from the genes of a genome's files and writes\n"
    "PREFIX.scu (the summed codon counts of the reference genes), PREFIX.opt\n"
    "(the optimal codons) and PREFIX.reference.tsv (a row per reference gene and a\n"
    "row per codon: counts and RSCU in the reference set and in the rest of the\n"
    "genome, the chi-square test, optimal or not). It reads the inputs kestrel-lookup\n"
    "reads, named the same way (GenBank, EMBL, GFF3 with FASTA, FASTA of coding\n"
    "sequences, any of them gzip-compressed). The three files are written only when\n"
    "complete, and replace the old ones all or none.\n"
    "\n"
    "The genes are the CDSs that kestrel-lookup writes, less the partial ones; each\n"
    "is counted codon by codon as extracted from its record, start and stop codons\n"
    "included, codons with a letter other than A, C, G or T left out. They are the\n"
    "genes of one genetic code, N of -g (--genetic-code) or else the files' most\n"
    "common /transl_table (11 counts as 1), and the families, RSCU, weights and\n"
    "optimal codons follow that code.\n"
    "\n"
    "SET chooses the reference genes:\n"
    "  ribosomal    the CDSs whose /product names a cytoplasmic ribosomal protein\n"
    "               (the default); organelle ribosomal proteins only in a record\n"
    "               that is itself an organelle genome (/organelle)\n"
    "  iterative    starting from all genes, keep the half with the highest CAI\n"
    "               under the weights of the current set, until 1% of the genes\n"
    "               (at least 20) remain, then until the set stops changing\n"
    "  coa          the genes at the end of axis 1 of the within-amino-acid\n"
    "               correspondence analysis of the genes' codon counts that holds\n"
    "               the ribosomal-protein genes (with none annotated, the end of\n"
    "               lower mean ENC): PERCENT of the genes (--share, 5)\n"
    "  genes:FILE   the genes named in FILE, one a line, matched against\n"
    "               /locus_tag, /gene, /protein_id and /old_locus_tag\n"
    "A codon is optimal when its RSCU is higher in the reference set than in the\n"
    "rest and a 2x2 chi-square test with Yates' correction gives p < P (0.01).\n"
    "A set of fewer than 20 genes or 5000 codons, and a set with no optimal codon,\n"
    "is warned of on standard error and in the free text of the .scu and .opt files.\n"
    "\n"
    "Exit status 0 on success, 1 for a file that cannot be read or written or an\n"
    "empty reference set, 2 for a wrong command line. --version prints the version.\n"
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-reference",
                           Usage,
                           {{"-o", {}, true, "a file name prefix"},
                            {"--set", {}, true, "ribosomal, iterative, coa or genes:FILE"},
                            {"--share", {}, true, "a percentage of the genes"},
                            {"--p", {}, true, "a p-value threshold"},
                            {"--genetic-code", "-g", true, "the number of a genetic code"},
                            InputOptions[0],
                            InputOptions[1],
                            InputOptions[2]}};

double pThresholdOf(const CommandLine& line) {
    const std::string text = line.value("--p").value_or("0.01");
    errno = 0;
    char* end = nullptr;
    const double p = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || end != text.c_str() + text.size() || !(p > 0.0 && p <= 1.0))
        throw UsageError("--p takes a number above 0 and at most 1, not " + text);
    return p;
}

GenomeGenes readGenome(const std::vector<InputFiles>& inputs) {
    GenomeGenes genome;
    // The genes' codons are counted from the whole sequence of their record.
    SequenceKeeper sequence;
    for (const InputFiles& input : inputs)
        readAnnotatedInput(
            input, [&](AnnotatedRecord& record) { addRecordGenes(record, sequence.bases, input.path, genome); },
            &sequence);
    return genome;
}

double shareOf(const CommandLine& line, const std::string& set) {
    const auto text = line.value("--share");
    if (!text) return CoaReferenceShare;
    if (set != "coa") throw UsageError("--share goes with --set coa");
    errno = 0;
    char* end = nullptr;
    const double percent = std::strtod(text->c_str(), &end);
    if (text->empty() || errno != 0 || end != text->c_str() + text->size() || !(percent > 0.0 && percent <= 50.0))
        throw UsageError("--share takes a percentage above 0 and at most 50, not " + *text);
    return percent / 100;
}

// The .scu, .opt and .reference.tsv files, opened before the genome is read: a destination
// that cannot be written stops the tool before the work.
struct ReferenceOutputs {
    ReferenceOutputs(const std::vector<std::string>& paths, std::ostream& out)
        : scu(paths[0], out), opt(paths[1], out), table(paths[2], out) {
        std::string error;
        for (OutputFileWriter* file : {&scu, &opt, &table})
            if (!file->open(error)) throw ToolFailure(ExitBadData, error);
    }
    // All three replace the old ones, or none does.
    void commit() {
        std::string error;
        if (!commitTogether({&scu, &opt, &table}, error)) throw ToolFailure(ExitBadData, error);
    }
    OutputFileWriter scu, opt, table;
};

std::vector<std::string> outputPaths(const CommandLine& line, const std::vector<std::string>& inputs) {
    const auto prefix = line.value("-o");
    if (!prefix || prefix->empty()) throw UsageError("no output prefix (-o PREFIX)");
    std::vector<std::string> paths{*prefix + ".scu", *prefix + ".opt", *prefix + ".reference.tsv"};
    for (const std::string& path : paths)
        if (auto input = inputWrittenOver(path, inputs))
            throw ToolFailure(ExitUsage, "the output file " + path + " is the input file " + *input);
    return paths;
}

int buildReferenceFiles(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string set = line.value("--set").value_or("ribosomal");
    if (!isSetName(set))
        throw UsageError("--set takes ribosomal, iterative, coa or genes:FILE, not " + set);
    shareOf(line, set);
    Provenance how;
    how.pThreshold = pThresholdOf(line);
    const std::vector<InputFiles> inputs = inputFiles(line);
    how.files = inputPaths(inputs);
    std::vector<std::string> read = how.files;
    if (set.rfind("genes:", 0) == 0) read.push_back(set.substr(6));
    const std::vector<std::string> paths = outputPaths(line, read);

    const std::int32_t wanted = geneticCodeOption(line);
    ReferenceOutputs outputs(paths, out);
    GenomeGenes genome = readGenome(inputs);
    RunSettings settings;  // the analysis's defaults: its minimum RSCU floors the iterative set's weights
    settings.geneticCode = *geneticCodeOf(keepOneGeneticCode(genome, wanted));
    if (genome.genes.empty())
        throw ToolFailure(ExitBadData, "no complete CDS of genetic code " +
                                           std::to_string(settings.geneticCode.number) + " to read in the files");
    how.code = settings.geneticCode;
    std::vector<std::size_t> members =
        chooseSet(SetChoice{set, shareOf(line, set)}, genome, settings, how, "kestrel-reference: ", err);
    if (members.empty()) throw ToolFailure(ExitBadData, "no reference gene found (" + how.method + ")");
    const ReferenceFiles files = makeReferenceFiles(genome, std::move(members), settings, how);
    const ReferenceResult& result = files.result;
    outputs.scu.stream() << files.scu;
    outputs.opt.stream() << files.opt;
    outputs.table.stream() << files.table;
    outputs.commit();
    err << "kestrel-reference: " << genome.genes.size() << " genes read; reference set: " << result.members.size()
        << " genes, " << result.referenceCodons << " codons; " << result.optimalCodons << " optimal codons\n";
    for (const std::string& warning : result.warnings) err << "kestrel-reference: warning: " << warning << '\n';
    return ExitSuccess;
}

}  // namespace

int runReferenceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err, buildReferenceFiles);
}

}  // namespace kestrel
