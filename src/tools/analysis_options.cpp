#include "tools/analysis_options.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "analysis/cai_weights.hpp"
#include "formats/reference_file.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

const char* const AnalysisOptionsUsage =
    "Genome type and genetic code:\n"
    "  --prokaryote            the genome is a prokaryote's (or a phage's): every initiation\n"
    "                          codon of the genetic code is a valid start\n"
    "  --eukaryote             a eukaryote's (or a virus's): only the codons read as Met (default)\n"
    "  -g N, --genetic-code N  NCBI translation table N (default 1)\n"
    "Reference tables:\n"
    "  --rscu FILE.scu         reference codon counts: CAI is computed\n"
    "  --min-rscu X            CAI weights below X are raised to X (0 <= X < 1; default 0.01)\n"
    "  --optimal FILE.opt      optimal codons: Fop is computed\n"
    "Inclusion of a gene in the cumulative counts (by default it needs a start and a stop codon,\n"
    "only good codons, no premature stop; alternative CDSs are allowed):\n"
    "  --no-start-required     a gene need not begin with a valid start codon\n"
    "  --no-stop-required      a gene need not end with a stop codon\n"
    "  --any-good-codons       a gene's good codons count even when others are bad\n"
    "  --no-alternative-cds    a gene with alternative CDSs is left out\n"
    "  --allow-premature-stops a gene with a stop codon before its last is kept\n"
    "Output columns:\n"
    "  --no-codon-usage        no amino-acid counts, codon shares and codon counts\n"
    "                          (--codon-usage: with them, the default)\n"
    "  --base-usage            the four base fractions of every composition group\n"
    "  --degeneracy            base composition by degeneracy class\n"
    "  --noncoding MODE        separate (upstream, core introns, downstream; default),\n"
    "                          flanks-introns, or combined\n"
    "Segment analysis (needs --optimal):\n"
    "  --segment FROM:TO       optimal-codon use from codon FROM to codon TO after the start\n"
    "  --segment-before-stop FROM:TO\n"
    "                          from FROM to TO codons before the stop (FROM > TO >= 0)\n"
    "Checking the lookup table instead of analysing its genes:\n"
    "  --check                 list the problem entries\n"
    "  --check-alt             also entries of genes with alternative CDSs\n"
    "  --check-sequence-files  also entries whose sequence file cannot be opened\n"
    "  --no-check-cds-ends     not entries whose CDS is marked incomplete\n";

const std::vector<OptionDescription>& analysisOptionDescriptions() {
    static const std::vector<OptionDescription> options{
        {"--prokaryote"},
        {"--eukaryote"},
        {"--genetic-code", "-g", true, "the number of a genetic code"},
        {"--rscu", {}, true, "a file name"},
        {"--min-rscu", {}, true, "a number from 0 to below 1"},
        {"--optimal", {}, true, "a file name"},
        {"--no-start-required"},
        {"--no-stop-required"},
        {"--any-good-codons"},
        {"--no-alternative-cds"},
        {"--allow-premature-stops"},
        {"--codon-usage"},
        {"--no-codon-usage"},
        {"--base-usage"},
        {"--degeneracy"},
        {"--noncoding", {}, true, "combined, flanks-introns or separate"},
        {"--segment", {}, true, "FROM:TO"},
        {"--segment-before-stop", {}, true, "FROM:TO"},
        {"--check"},
        {"--check-alt"},
        {"--check-sequence-files"},
        {"--no-check-cds-ends"},
    };
    return options;
}

namespace {

bool wholeNumber(std::string_view text, std::int32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

// FROM:TO of a segment option.
void setSegment(const std::string& option, const std::string& value, bool fromStop, RunSettings& s) {
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos || !wholeNumber(std::string_view(value).substr(0, colon), s.segmentBegin) ||
        !wholeNumber(std::string_view(value).substr(colon + 1), s.segmentEnd))
        throw UsageError(option + " takes two whole numbers FROM:TO, not " + value);
    s.segmentAnalysis = true;
    s.segmentRelativeToStop = fromStop;
}

double minimumRscu(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || value >= 1)
        throw UsageError("--min-rscu takes a number from 0 to below 1, not " + text);
    return value;
}

NoncodingMode noncodingMode(const std::string& text) {
    if (text == "separate") return NoncodingMode::Separate;
    if (text == "flanks-introns") return NoncodingMode::FlanksAndIntrons;
    if (text == "combined") return NoncodingMode::Combined;
    throw UsageError("--noncoding takes separate, flanks-introns or combined, not " + text);
}

// The options that take a value, or that stand for a choice, in the order given.
void applyOption(const std::string& name, const std::string& value, RunSettings& s) {
    if (name == "--prokaryote") s.genomeType = GenomeType::Prokaryote;
    else if (name == "--eukaryote") s.genomeType = GenomeType::Eukaryote;
    else if (name == "--rscu") s.rscuTableUsed = true, s.rscuFileName = value;
    else if (name == "--min-rscu") s.minimumRscu = minimumRscu(value);
    else if (name == "--optimal") s.preferredCodonListUsed = true, s.preferredCodonFileName = value;
    else if (name == "--no-start-required") s.startCodonRequired = false;
    else if (name == "--no-stop-required") s.stopCodonRequired = false;
    else if (name == "--any-good-codons") s.allCodonsMustBeGood = false;
    else if (name == "--no-alternative-cds") s.noAlternativeCds = true;
    else if (name == "--allow-premature-stops") s.noPrematureStops = false;
    else if (name == "--codon-usage") s.codonUsageOutput = true;
    else if (name == "--no-codon-usage") s.codonUsageOutput = false;
    else if (name == "--base-usage") s.reportBaseUsage = true;
    else if (name == "--degeneracy") s.degeneracyBreakdown = true;
    else if (name == "--noncoding") s.noncodingMode = noncodingMode(value);
    else if (name == "--segment") setSegment(name, value, false, s);
    else if (name == "--segment-before-stop") setSegment(name, value, true, s);
    else if (name == "--check") s.checkLookupTable = true;
    else if (name == "--check-alt") s.checkAlt = true;
    else if (name == "--check-sequence-files") s.checkSequenceFile = true;
    else if (name == "--no-check-cds-ends") s.checkCdsEnds = false;
}

}  // namespace

void applyAnalysisOptions(const CommandLine& line, RunSettings& settings) {
    for (const auto& [name, value] : line.options) applyOption(name, value, settings);
    if (!settings.checkLookupTable)
        for (const char* option : {"--check-alt", "--check-sequence-files", "--no-check-cds-ends"})
            if (line.has(option)) throw UsageError(std::string(option) + " goes with --check");
    if (line.has("--min-rscu") && !settings.rscuTableUsed) throw UsageError("--min-rscu goes with --rscu");
    if (line.has("--segment") && line.has("--segment-before-stop"))
        throw UsageError("give --segment or --segment-before-stop, not both");
    if (const auto problem = settingsProblem(settings)) throw UsageError(*problem);
}

namespace {

std::array<std::int32_t, 64> readReferenceFile(const std::string& path, const char* kind) {
    InputFile in;
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    std::array<std::int32_t, 64> values{};
    if (!readReferenceEntries(in, values))
        throw ToolFailure(ExitBadData, path + ": not " + kind + " file (it needs a line with # followed by 64 codon "
                                                                "entries)");
    return values;
}

}  // namespace

void readReferenceFiles(const RunSettings& settings, ReferenceTables& references) {
    if (settings.rscuTableUsed) {
        references.referenceCounts = readReferenceFile(settings.rscuFileName, "a codon-count (.scu)");
        computeCaiWeights(references.referenceCounts, settings.geneticCode, references.caiWeights);
    }
    if (settings.preferredCodonListUsed)
        references.optimalCodonFlags = readReferenceFile(settings.preferredCodonFileName, "an optimal-codon (.opt)");
}

}  // namespace kestrel
