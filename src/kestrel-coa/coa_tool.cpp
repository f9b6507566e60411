#include "kestrel-coa/coa_tool.hpp"

#include <charconv>

#include "tools/coa_files.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-coa -o PREFIX [--on within|counts|rscu|aa] [--axes K] [--axes I,J]\n"
    "                   [--colour gc3|cai|reference:FILE] [--codons panel|overlay]\n"
    "                   [--supplementary FILE.kstl]... [--list FILE] [--allow-incomplete]\n"
    "                   OUTPUT.kstl...\n"
    "\n"
    "Correspondence analysis (COA) of the codon usage of the genes of KESTREL output\n"
    "files (run with codon usage output on). The genes of all the files named form one\n"
    "table, a row per gene; its axes are the main trends of codon usage among them.\n"
    "\n"
    "--on chooses the table:\n"
    "  within   codon counts, analysed within the amino acids: the variation of each\n"
    "           amino acid's codons, genes weighted by their length, free of amino-acid\n"
    "           composition (the default, and the recommended analysis)\n"
    "  counts   codon counts\n"
    "  rscu     each gene's RSCU (0 for an amino acid it lacks); every gene weighs alike\n"
    "  aa       amino-acid counts\n"
    "The codons are those of the amino acids with more than one codon under the genetic\n"
    "code the files were read with (no stop codons, no Met or Trp in the standard code);\n"
    "aa takes the 20 amino acids. Genes without such a codon are left out and counted on\n"
    "standard error.\n"
    "\n"
    "Writes PREFIX.eigen.tsv (axis, eigenvalue, inertia_share, cumulative_share: every\n"
    "axis), PREFIX.genes.tsv (source, gene, row, axis1 ... axisK: a line per gene row of\n"
    "the files, in their order), PREFIX.codons.tsv (codon, amino_acid, axis1 ... axisK;\n"
    "the amino acids for aa) and the figure PREFIX.svg. Coordinates are principal\n"
    "coordinates. --axes K sets K (4). --supplementary FILE.kstl projects the genes of\n"
    "FILE on the axes without fitting them, into PREFIX.supplementary.tsv (columns as the\n"
    "genes table). --list FILE names further output files, one a line.\n"
    "\n"
    "The figure draws the genes on axes 1 and 2 (--axes I,J for others), coloured by\n"
    "GC3 (the default), by CAI, or by the genes named in FILE (one a line, or a\n"
    "kestrel-reference PREFIX.reference.tsv), with the codons labelled in a panel beside\n"
    "them or (--codons overlay) over them.\n"
    "\n"
    "An output file that ends before its end-of-run summary comes from a run that was\n"
    "cut short: it is refused, unless --allow-incomplete is given.\n"
    "\n"
    "Exit status 0 on success, 1 when a file cannot be read, is not a complete KESTREL\n"
    "output file with codon counts, or gives no axis, or an output cannot be written; 2\n"
    "for a wrong command line (an output file that is also an input is one).\n"
    "--version prints the version.\n"
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-coa",
                           Usage,
                           {{"-o", {}, true, "a file name prefix"},
                            {"--on", {}, true, "within, counts, rscu or aa"},
                            {"--axes", {}, true, "a number of axes, or two axes I,J"},
                            {"--colour", "--color", true, "gc3, cai or reference:FILE"},
                            {"--codons", {}, true, "panel or overlay"},
                            {"--supplementary", {}, true, "an output file"},
                            {"--list", {}, true, "a file name"},
                            {"--allow-incomplete"}}};

// The largest number of axes a table can have (64 codons less one).
constexpr std::size_t MostAxes = 63;

std::optional<std::size_t> axisNumber(std::string_view text) {
    std::size_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc{} || end != text.data() + text.size() || n < 1 || n > MostAxes) return std::nullopt;
    return n;
}

// "--axes K" sets the axes of the tables, "--axes I,J" those of the figure; both may be given.
void readAxes(const CommandLine& line, CoaFilesRequest& request) {
    for (const std::string& value : line.values("--axes")) {
        const auto comma = value.find(',');
        if (comma == std::string::npos) {
            const auto k = axisNumber(value);
            if (!k) throw UsageError("--axes takes a number of axes from 1 to 63, or two axes I,J, not " + value);
            request.axes = *k;
            continue;
        }
        const auto i = axisNumber(std::string_view(value).substr(0, comma));
        const auto j = axisNumber(std::string_view(value).substr(comma + 1));
        if (!i || !j || *i == *j) throw UsageError("--axes I,J takes two different axes from 1 to 63, not " + value);
        request.figureAxes = {*i - 1, *j - 1};
    }
}

void readColour(const CommandLine& line, CoaFilesRequest& request) {
    const std::string colour = line.value("--colour").value_or("gc3");
    if (colour == "gc3") request.colour = CoaColour::Gc3;
    else if (colour == "cai") request.colour = CoaColour::Cai;
    else if (colour.starts_with("reference:") && colour.size() > 10) {
        request.colour = CoaColour::ReferenceSet;
        request.referenceList = colour.substr(10);
    } else {
        throw UsageError("--colour takes gc3, cai or reference:FILE, not " + colour);
    }
    const std::string codons = line.value("--codons").value_or("panel");
    if (codons != "panel" && codons != "overlay") throw UsageError("--codons takes panel or overlay, not " + codons);
    request.labels = codons == "panel" ? CodonLabels::Panel : CodonLabels::Overlay;
}

CoaFilesRequest coaRequest(const CommandLine& line) {
    CoaFilesRequest request;
    const auto prefix = line.value("-o");
    if (!prefix || prefix->empty()) throw UsageError("no output prefix (-o PREFIX)");
    request.prefix = *prefix;
    const std::string on = line.value("--on").value_or("within");
    if (!coaVariantNamed(on, request.variant)) throw UsageError("--on takes within, counts, rscu or aa, not " + on);
    readAxes(line, request);
    readColour(line, request);
    request.allowIncomplete = line.has("--allow-incomplete");
    request.inputs = line.operands;
    for (const std::string& list : line.values("--list")) readFileList(list, request.inputs);
    request.supplementary = line.values("--supplementary");
    if (request.inputs.empty()) throw UsageError("no output file named");
    for (const std::string& input : request.inputs)
        if (input == "-") throw UsageError("the files are read twice: name them, standard input cannot be read so");
    std::vector<std::string> inputs = coaInputPaths(request);
    for (const std::string& list : line.values("--list")) inputs.push_back(list);
    for (const std::string& path : coaOutputPaths(request))
        if (auto input = inputWrittenOver(path, inputs))
            throw ToolFailure(ExitUsage, "the output file " + path + " is the input file " + *input);
    return request;
}

}  // namespace

int runCoaTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err, [](const CommandLine& line, std::ostream& out, std::ostream& err) {
        runCoaOnFiles(coaRequest(line), out, err);
        return ExitSuccess;
    });
}

}  // namespace kestrel
