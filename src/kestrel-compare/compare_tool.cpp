#include "kestrel-compare/compare_tool.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "tools/command_line.hpp"
#include "tools/compare_files.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-compare -a SET [-b SET] [-o FILE.tsv] [--figure FILE.svg]\n"
    "                       [--permutations N] [--seed N] [--alpha Q] [--list FILE]\n"
    "                       [--allow-incomplete] [OUTPUT.kstl...]\n"
    "\n"
    "Tests whether two sets of genes use codons differently, from the codon counts of\n"
    "KESTREL output files (run with codon usage output on). The genes are those of the\n"
    "output files named and of any output file a set names; set A is chosen with -a,\n"
    "set B with -b, or is every other gene. A SET is one of:\n"
    "  genes:FILE       the genes named in FILE, one name a line (their Gene cells)\n"
    "  reference:FILE   the reference set of a kestrel-reference PREFIX.reference.tsv\n"
    "                   (a gene is named there by locus_tag, gene or protein_id)\n"
    "  file:OUT.kstl    every gene of that output file\n"
    "  contig:ID        the genes whose Contig cell is ID\n"
    "\n"
    "For each codon of an amino acid with more than one codon: its counts and RSCU in\n"
    "each set, the odds ratio of the codon against its synonyms in A against B, Fisher's\n"
    "exact p (two-sided) and the Benjamini-Hochberg q over the codons tested. For each\n"
    "such amino acid: Pearson's chi-square test of its codons in A against B. Overall:\n"
    "the distance between the two usages (the share of synonymous codons that differ,\n"
    "the amino acids weighted by their codons) and its permutation p, from N random\n"
    "reassignments of the genes to sets of the same sizes (--permutations, default 1000;\n"
    "0 for none) drawn from seed N (--seed, default 1): a seed gives the same p on every\n"
    "platform.\n"
    "\n"
    "The table (tab-separated; see the manual page) goes to FILE.tsv, or to standard\n"
    "output without -o. --figure FILE.svg draws each codon's log2 odds ratio, the codons\n"
    "with q < Q marked (--alpha, default 0.05). A summary line goes to standard error.\n"
    "--list FILE names further output files, one a line. An output file that ends before\n"
    "its end-of-run summary comes from a run that was cut short: it is refused, unless\n"
    "--allow-incomplete is given.\n"
    "\n"
    "Exit status 0 on success; 1 when a file cannot be read, is not a complete KESTREL\n"
    "output file with codon counts, or was read under another genetic code than the\n"
    "first, when a set holds no gene or a gene is in both sets, or an output cannot be\n"
    "written; 2 for a wrong command line (an output file that is also an input is one).\n"
    "The outputs replace the old files together or not at all. --version prints the\n"
    "version.\n"
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-compare",
                           Usage,
                           {{"-a", "--set-a", true, "a set (genes:FILE, reference:FILE, file:OUT.kstl or contig:ID)"},
                            {"-b", "--set-b", true, "a set (genes:FILE, reference:FILE, file:OUT.kstl or contig:ID)"},
                            {"-o", {}, true, "a file name"},
                            {"--figure", {}, true, "a file name"},
                            {"--permutations", {}, true, "a number of permutations"},
                            {"--seed", {}, true, "a seed"},
                            {"--alpha", {}, true, "a level between 0 and 1"},
                            {"--list", {}, true, "a file name"},
                            {"--allow-incomplete"}}};

// More permutations than this add nothing a p-value can show and take minutes.
constexpr std::uint64_t MostPermutations = 100'000'000;

std::uint64_t wholeNumber(const std::string& value, const char* option, std::uint64_t most) {
    std::uint64_t n = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (value.empty() || error != std::errc{} || end != value.data() + value.size() || n > most)
        throw UsageError(std::string(option) + " takes a whole number from 0 to " + std::to_string(most) + ", not " +
                         value);
    return n;
}

double level(const std::string& value) {
    double q = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), q);
    if (value.empty() || error != std::errc{} || end != value.data() + value.size() || !(q > 0 && q < 1))
        throw UsageError("--alpha takes a number between 0 and 1, not " + value);
    return q;
}

void checkOutputs(const CompareRequest& request, const std::vector<std::string>& lists) {
    std::vector<std::string> inputs = compareInputPaths(request);
    inputs.insert(inputs.end(), lists.begin(), lists.end());
    for (const std::string* output : {&request.tablePath, &request.figurePath})
        if (auto input = inputWrittenOver(*output, inputs))
            throw ToolFailure(ExitUsage, "the output file " + *output + " is the input file " + *input);
    const bool tableToStandardOutput = request.tablePath.empty() || request.tablePath == "-";
    if (sameDestination(request.tablePath, request.figurePath) || (tableToStandardOutput && request.figurePath == "-"))
        throw ToolFailure(ExitUsage, "-o and --figure name the same file");
}

CompareRequest compareRequest(const CommandLine& line) {
    CompareRequest request;
    const auto first = line.value("-a");
    if (!first) throw UsageError("no set A (-a SET)");
    request.first = parseGeneSetChoice(*first);
    if (const auto second = line.value("-b")) request.second = parseGeneSetChoice(*second);
    request.tablePath = line.value("-o").value_or("");
    request.figurePath = line.value("--figure").value_or("");
    if (line.has("--figure") && request.figurePath.empty()) throw UsageError("--figure needs a file name");
    if (const auto n = line.value("--permutations"))
        request.settings.permutations = wholeNumber(*n, "--permutations", MostPermutations);
    if (const auto seed = line.value("--seed"))
        request.settings.seed = wholeNumber(*seed, "--seed", UINT64_MAX);
    if (const auto alpha = line.value("--alpha")) request.alpha = level(*alpha);
    request.allowIncomplete = line.has("--allow-incomplete");
    request.inputs = line.operands;
    const std::vector<std::string> lists = line.values("--list");
    for (const std::string& list : lists) readFileList(list, request.inputs);
    if (compareGeneFiles(request).empty()) throw UsageError("no output file named");
    checkOutputs(request, lists);
    return request;
}

}  // namespace

int runCompareTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err, [](const CommandLine& line, std::ostream& out, std::ostream& err) {
        runCompareOnFiles(compareRequest(line), out, err);
        return ExitSuccess;
    });
}

}  // namespace kestrel
