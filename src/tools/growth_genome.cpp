#include "tools/growth_genome.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <string_view>

#include "analysis/growth_model.hpp"
#include "analysis/growth_statistics.hpp"
#include "tools/reference_set.hpp"

namespace kestrel {

namespace {

using reference::ReferenceGene;

// Fewer HE genes than this make CUBHE and ConsistencyHE unsteady.
constexpr std::int64_t FewHeGenes = 10;
// Above this the codon-usage signal saturates: a longer time means slow, not that figure.
constexpr double SaturatedHours = 5.0;

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string number(const std::optional<double>& value) {
    if (!value) return "NA";
    char cell[32];
    std::snprintf(cell, sizeof cell, "%.15g", *value);
    return cell;
}

// The HE genes among the kept ones (indices into genes), as indices into kept.
std::vector<std::size_t> highlyExpressed(const std::vector<ReferenceGene>& genes, const std::vector<std::size_t>& kept,
                                         const GrowthOptions& options, GrowthRow& row) {
    std::vector<bool> chosen(genes.size(), false);
    if (options.rule == HeRule::Genes) {
        std::istringstream list(options.geneList);
        const reference::ListedGenes listed = reference::listedGenes(list, genes);
        for (const std::size_t g : listed.members) chosen[g] = true;
        if (!listed.unmatched.empty())
            row.warnings.push_back(std::to_string(listed.unmatched.size()) + " of the " +
                                   std::to_string(listed.names) + " names of the gene list match no gene");
    } else if (options.rule == HeRule::Ribosomal) {
        for (const std::size_t g : reference::ribosomalGenes(genes)) chosen[g] = true;
    } else {
        for (const std::size_t g : kept) chosen[g] = headerSelects(options.rule, headerOf(genes[g]));
    }
    std::vector<std::size_t> he;
    for (std::size_t k = 0; k < kept.size(); ++k)
        if (chosen[kept[k]]) he.push_back(k);
    return he;
}

void predict(const GrowthOptions& options, GrowthRow& row) {
    const GrowthModel& model = options.temperature ? TemperatureGrowthModel : BaseGrowthModel;
    row.model = options.temperature ? "temperature:" + number(options.temperature) : std::string(model.name);
    if (!row.cubHe || !row.consistencyHe || !row.cpb) return;
    const GrowthPrediction p =
        predictDoublingTime(model, {*row.cubHe, *row.consistencyHe, *row.cpb, options.temperature.value_or(0)});
    row.d = p.d, row.dLower = p.lower, row.dUpper = p.upper;
    if (!row.d)
        row.warnings.push_back("the statistics lie beyond the model's range: no finite doubling time");
    else if (*row.d > SaturatedHours)
        row.warnings.push_back("d above 5 h, where the codon-usage signal saturates: read it as slow growth");
}

void warnOfInputs(const GrowthOptions& options, GrowthRow& row) {
    if (options.geneticCode != 11 && options.geneticCode != 1)
        row.warnings.push_back("genetic code " + std::to_string(options.geneticCode) +
                               ": the model was fitted to genomes of code 11");
    if (row.kept == 0) row.warnings.push_back("no gene passes the filter (longer than 240 nt, whole codons, A/C/G/T)");
    if (row.nHe == 0)
        row.warnings.push_back("no highly expressed gene: no prediction");
    else if (row.nHe < FewHeGenes)
        row.warnings.push_back("only " + std::to_string(row.nHe) + " highly expressed genes (fewer than 10)");
    if (row.kept > 0 && !row.cpb) row.warnings.push_back("no codon pair bias: too few codon pairs");
}

}  // namespace

std::string_view heRuleName(HeRule rule) {
    switch (rule) {
        case HeRule::Ribosomal: return "ribosomal";
        case HeRule::Training: return "training";
        case HeRule::Refined: return "refined";
        case HeRule::Genes: break;
    }
    return "genes";
}

reference::GenomeGenes readGrowthGenes(const std::vector<InputFiles>& inputs, bool keepPseudo,
                                       std::int32_t wantedCode) {
    reference::GenomeGenes genome;
    const reference::GeneReading reading{keepPseudo, keepPseudo, true};
    // The genes' codons are counted from the whole sequence of their record.
    SequenceKeeper sequence;
    for (const InputFiles& input : inputs)
        readAnnotatedInput(
            input,
            [&](AnnotatedRecord& record) { reference::addRecordGenes(record, sequence.bases, input.path, genome, reading); },
            &sequence);
    reference::keepOneGeneticCode(genome, wantedCode);
    return genome;
}

std::string headerOf(const ReferenceGene& gene) {
    if (!gene.header.empty()) return gene.header;
    std::string header;
    const std::pair<std::string_view, const std::string*> tags[] = {
        {"gene", &gene.gene}, {"locus_tag", &gene.locusTag}, {"protein", &gene.product}, {"protein_id", &gene.proteinId}};
    for (const auto& [key, value] : tags)
        if (!value->empty()) header += (header.empty() ? "[" : " [") + std::string(key) + "=" + *value + "]";
    return header;
}

bool headerSelects(HeRule rule, std::string_view header) {
    const std::string text = lowerCase(header);
    const auto holds = [&](std::string_view part) { return text.find(part) != std::string::npos; };
    if (rule == HeRule::Training) return holds("ribosomal protein");
    if (rule == HeRule::Refined) return holds("0s ribosomal protein") && !holds("methyl") && !holds("hydroxy");
    return false;
}

GrowthRow growthOf(const std::vector<ReferenceGene>& genes, const GrowthOptions& options) {
    GrowthRow row;
    row.heRule = heRuleName(options.rule);
    std::vector<std::size_t> kept;
    for (std::size_t g = 0; g < genes.size(); ++g) {
        if (!passesGrowthFilter(genes[g].letters)) continue;
        kept.push_back(g);
        row.pseudoKept += genes[g].pseudo ? 1 : 0;
    }
    row.kept = static_cast<std::int64_t>(kept.size());
    row.filteredSequences = static_cast<std::int64_t>(genes.size() - kept.size());

    const GeneticCode code = geneticCodeOf(options.geneticCode).value_or(StandardCode);
    std::vector<GeneCodonCounts> counts;
    std::vector<std::string_view> letters;
    counts.reserve(kept.size());
    letters.reserve(kept.size());
    for (const std::size_t g : kept) {
        counts.push_back(genes[g].codonCount);
        letters.push_back(genes[g].letters);
    }
    const std::vector<std::size_t> he = highlyExpressed(genes, kept, options, row);
    row.nHe = static_cast<std::int64_t>(he.size());
    const HighExpressionBias bias = highExpressionBias(counts, he, growthFamilies(code));
    row.cubHe = bias.cubHe, row.consistencyHe = bias.consistencyHe;
    row.cpb = codonPairBias(letters, code, PairClasses::AsPublished);
    row.cpbPlain = codonPairBias(letters, code, PairClasses::Plain);
    warnOfInputs(options, row);
    predict(options, row);
    return row;
}

GrowthRow growthOf(const reference::GenomeGenes& genome, GrowthOptions options) {
    options.geneticCode = genome.skipped.codeKept;
    GrowthRow row = growthOf(genome.genes, options);
    if (const std::int64_t others = genome.skipped[SkipReason::GeneticCode])
        row.warnings.insert(row.warnings.begin(), std::to_string(others) + " CDSs of other genetic codes left out");
    return row;
}

const std::vector<std::string>& growthColumns() {
    static const std::vector<std::string> columns{
        "genome", "CUBHE", "ConsistencyHE", "CPB", "FilteredSequences", "nHE", "d", "d_lower", "d_upper",
        "he_rule", "model", "CPB_plain", "warnings"};
    return columns;
}

std::vector<std::string> growthCells(const GrowthRow& row) {
    std::string warnings;
    for (const std::string& w : row.warnings) warnings += (warnings.empty() ? "" : "; ") + w;
    return {row.genome, number(row.cubHe), number(row.consistencyHe), number(row.cpb),
            std::to_string(row.filteredSequences), std::to_string(row.nHe), number(row.d), number(row.dLower),
            number(row.dUpper), row.heRule, row.model, number(row.cpbPlain), warnings};
}

}  // namespace kestrel
