#include "kestrel-growth/growth_tool.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "tools/annotated_inputs.hpp"
#include "tools/command_line.hpp"
#include "tools/growth_genome.hpp"
#include "tools/output_file_writer.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-growth [-o OUT.tsv] [--he RULE] [--temperature C] [--keep-pseudo] [-g N]\n"
    "                      [SEQFILE...] [--gff GFF3 [--fasta FASTA]]... [--cds-fasta FASTA]...\n"
    "\n"
    "Predicts a prokaryote's minimal doubling time d (hours) from the codon usage of\n"
    "its genes with the published model of Weissman, Hou and Fuhrman (2021), and\n"
    "writes one row: genome CUBHE ConsistencyHE CPB FilteredSequences nHE d d_lower\n"
    "d_upper he_rule model CPB_plain warnings, to OUT.tsv or standard output. The\n"
    "inputs make one genome; they are read as kestrel-reference reads them (GenBank,\n"
    "EMBL, GFF3 with FASTA, FASTA of coding sequences, any of them gzip-compressed).\n"
    "\n"
    "The statistics use the genes longer than 240 nt, of whole codons, of A, C, G\n"
    "and T only; FilteredSequences counts the others. CUBHE is the median MILC of\n"
    "the highly expressed (HE) genes against all genes, ConsistencyHE their mean\n"
    "MILC against the HE genes, CPB the genome's codon pair bias, all as the model's\n"
    "training statistics were computed (initiation codons read as Met); CPB_plain is\n"
    "the codon pair bias with the plain translation. d_lower and d_upper bound the\n"
    "95% confidence interval of the model's mean.\n"
    "\n"
    "RULE chooses the HE genes:\n"
    "  ribosomal    the cytoplasmic ribosomal proteins, by their product (as\n"
    "               kestrel-reference --set ribosomal; the default)\n"
    "  training     the header holds \"ribosomal protein\" (the rule of the model's\n"
    "               training statistics)\n"
    "  refined      the header holds \"0S ribosomal protein\" and neither \"methyl\"\n"
    "               nor \"hydroxy\"\n"
    "  genes:FILE   the genes named in FILE, one a line\n"
    "A header is a FASTA record's header line; for other inputs it is made of the\n"
    "gene's names: [gene=..] [locus_tag=..] [protein=..] [protein_id=..].\n"
    "\n"
    "--temperature C predicts with the model that adds the optimal growth\n"
    "temperature (degrees C). --keep-pseudo reads pseudo and partial CDSs too, as\n"
    "the published statistics count them. -g N (--genetic-code) reads the genes of\n"
    "code N, else those of the most common code.\n"
    "\n"
    "No HE gene gives NA and a warning, not a failure. Exit status 0 on success,\n"
    "1 for a file that cannot be read or written or no CDS to read, 2 for a wrong\n"
    "command line. --version prints the version. --batch LIST runs the command\n"
    "lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-growth",
                           Usage,
                           {{"-o", {}, true, "a file name"},
                            {"--he", {}, true, "ribosomal, training, refined or genes:FILE"},
                            {"--temperature", {}, true, "a temperature in degrees C"},
                            {"--keep-pseudo"},
                            {"--genetic-code", "-g", true, "the number of a genetic code"},
                            InputOptions[0],
                            InputOptions[1],
                            InputOptions[2]}};

// The lowest and highest optimal growth temperatures taken, in degrees C.
constexpr double LowestTemperature = -30, HighestTemperature = 130;

HeRule heRuleOf(const std::string& text) {
    if (text == "ribosomal") return HeRule::Ribosomal;
    if (text == "training") return HeRule::Training;
    if (text == "refined") return HeRule::Refined;
    if (text.rfind("genes:", 0) == 0 && text.size() > 6) return HeRule::Genes;
    throw UsageError("--he takes ribosomal, training, refined or genes:FILE, not " + text);
}

std::optional<double> temperatureOf(const CommandLine& line) {
    const auto text = line.value("--temperature");
    if (!text) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double t = std::strtod(text->c_str(), &end);
    if (text->empty() || errno != 0 || end != text->c_str() + text->size() || !(t >= LowestTemperature) ||
        !(t <= HighestTemperature))
        throw UsageError("--temperature takes degrees C from -30 to 130, not " + *text);
    return t;
}

std::string readGeneList(const std::string& path) {
    TextInput in;
    openInput(in, path);
    std::string text(std::istreambuf_iterator<char>(in), {});
    checkRead(in, path);
    return text;
}

// The genome's name: its first file's, without folder and the suffixes of sequence files.
std::string genomeName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    for (const std::string_view suffix : {".gz", ".gbff", ".gbk", ".gb", ".embl", ".dat", ".gff3", ".gff", ".fna",
                                          ".fasta", ".fa", ".ffn"}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) name.resize(name.size() - suffix.size());
    }
    for (char& c : name)
        if (c == '\t' || c == '\n' || c == '\r') c = '_';  // one cell of one line
    return name;
}

void writeRow(const std::string& path, std::ostream& out, const GrowthRow& row) {
    std::string error;
    OutputFileWriter file(path, out);
    if (!file.open(error)) throw ToolFailure(ExitBadData, error);
    for (const std::vector<std::string>& cells : {growthColumns(), growthCells(row)}) {
        for (std::size_t i = 0; i < cells.size(); ++i) file.stream() << (i ? "\t" : "") << cells[i];
        file.stream() << '\n';
    }
    if (!file.commit(error)) throw ToolFailure(ExitBadData, error);
}

void report(const reference::GenomeGenes& genome, const GrowthRow& row, bool keepPseudo, std::ostream& err) {
    err << "kestrel-growth: " << row.genome << ": " << genome.genes.size() << " CDSs read, " << row.kept
        << " in the statistics (" << row.pseudoKept << " pseudo), " << row.nHe << " highly expressed (" << row.heRule
        << ")";
    if (row.d) err << "; d " << growthCells(row)[6] << " h";
    err << '\n';
    const std::int64_t pseudo = genome.skipped[SkipReason::Pseudo];
    if (!keepPseudo && (pseudo > 0 || genome.partial > 0))
        err << "kestrel-growth: " << pseudo << " pseudo and " << genome.partial
            << " partial CDSs left out (--keep-pseudo counts them, as the published statistics do)\n";
    for (const std::string& warning : row.warnings) err << "kestrel-growth: warning: " << warning << '\n';
}

int predictGrowth(const CommandLine& line, std::ostream& out, std::ostream& err) {
    GrowthOptions options;
    const std::string rule = line.value("--he").value_or("ribosomal");
    options.rule = heRuleOf(rule);
    options.temperature = temperatureOf(line);
    const bool keepPseudo = line.has("--keep-pseudo");
    const std::int32_t wanted = geneticCodeOption(line);
    const std::vector<InputFiles> inputs = inputFiles(line);
    std::vector<std::string> read = inputPaths(inputs);
    if (options.rule == HeRule::Genes) read.push_back(rule.substr(6));
    const std::string output = line.value("-o").value_or("-");
    if (output.empty()) throw UsageError("-o takes a file name");
    if (auto input = inputWrittenOver(output, read))
        throw ToolFailure(ExitUsage, "the output file " + output + " is the input file " + *input);
    if (options.rule == HeRule::Genes) options.geneList = readGeneList(rule.substr(6));

    const reference::GenomeGenes genome = readGrowthGenes(inputs, keepPseudo, wanted);
    if (genome.genes.empty())
        throw ToolFailure(ExitBadData, "no CDS of genetic code " + std::to_string(genome.skipped.codeKept) +
                                           " to read in the files");
    GrowthRow row = growthOf(genome, options);
    row.genome = genomeName(inputs.front().path);
    writeRow(output, out, row);
    report(genome, row, keepPseudo, err);
    return ExitSuccess;
}

}  // namespace

int runGrowthTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err, predictGrowth);
}

}  // namespace kestrel
