#include "tools/compare_files.hpp"

#include <algorithm>

#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Me = "kestrel-compare: ";

bool namesList(const GeneSetChoice& choice) {
    return choice.kind == GeneSetKind::Genes || choice.kind == GeneSetKind::Reference;
}

// The set's genes; a set without one ends the run, names of a list that match no gene are
// worth a warning.
std::vector<bool> chosenGenes(const GeneSetChoice& choice, const GenePool& pool, std::ostream& err) {
    std::size_t unmatched = 0;
    std::vector<bool> in = genesInSet(choice, pool, unmatched);
    if (std::find(in.begin(), in.end(), true) == in.end())
        throw ToolFailure(ExitBadData, "the set " + choice.text + " holds no gene of the output files");
    if (unmatched > 0)
        err << Me << "warning: " << unmatched << " names of " << choice.value << " name no gene of the output files\n";
    return in;
}

// The two sets' codon counts; a gene in both ends the run.
void splitGenes(const CompareRequest& request, const GenePool& pool, std::vector<GeneCodonCounts>& first,
                std::vector<GeneCodonCounts>& second, std::ostream& err) {
    const std::vector<bool> inFirst = chosenGenes(request.first, pool, err);
    std::vector<bool> inSecond;
    if (request.second) {
        inSecond = chosenGenes(*request.second, pool, err);
    } else {
        inSecond.resize(inFirst.size());
        for (std::size_t g = 0; g < inFirst.size(); ++g) inSecond[g] = !inFirst[g];
        if (std::find(inSecond.begin(), inSecond.end(), true) == inSecond.end())
            throw ToolFailure(ExitBadData, "every gene of the output files is in the set " + request.first.text +
                                               ": no gene is left to compare it with");
    }
    std::size_t both = 0;
    for (std::size_t g = 0; g < inFirst.size(); ++g) {
        if (inFirst[g] && inSecond[g]) {
            if (both++ == 0)
                err << Me << "the gene " << pool.genes[g].name << " of " << pool.files[pool.genes[g].file]
                    << " is in both sets\n";
            continue;
        }
        if (inFirst[g]) first.push_back(pool.genes[g].counts);
        if (inSecond[g]) second.push_back(pool.genes[g].counts);
    }
    if (both > 0)
        throw ToolFailure(ExitBadData, std::to_string(both) + " genes are in both sets: the sets must not overlap");
}

}  // namespace

std::vector<std::string> compareGeneFiles(const CompareRequest& request) {
    std::vector<std::string> files = request.inputs;
    for (const GeneSetChoice* choice : {&request.first, request.second ? &*request.second : nullptr})
        if (choice && choice->kind == GeneSetKind::File) files.push_back(choice->value);
    return files;
}

std::vector<std::string> compareInputPaths(const CompareRequest& request) {
    std::vector<std::string> paths = compareGeneFiles(request);
    for (const GeneSetChoice* choice : {&request.first, request.second ? &*request.second : nullptr})
        if (choice && namesList(*choice)) paths.push_back(choice->value);
    return paths;
}

void runCompareOnFiles(const CompareRequest& request, std::ostream& out, std::ostream& err) {
    OutputFileWriter table(request.tablePath, out);
    std::optional<OutputFileWriter> figure;
    if (!request.figurePath.empty()) figure.emplace(request.figurePath, out);
    std::string error;
    if (!table.open(error) || (figure && !figure->open(error))) throw ToolFailure(ExitBadData, error);

    const GenePool pool = readGenePool(compareGeneFiles(request), request.allowIncomplete, Me, err);
    std::vector<GeneCodonCounts> first, second;
    splitGenes(request, pool, first, second, err);
    const GeneticCode code = *geneticCodeOf(pool.geneticCode);
    const SetComparison comparison = compareGeneSets(first, second, code, request.settings);

    writeComparisonTable(table.stream(), comparison, code);
    const ComparisonNames names{request.first.text, request.second ? request.second->text : "every other gene"};
    if (figure) figure->stream() << renderComparisonSvg(comparison, code, names, request.alpha);
    if (!commitTogether({&table, figure ? &*figure : nullptr}, error)) throw ToolFailure(ExitBadData, error);
    err << Me << comparisonSummary(comparison, request.alpha) << '\n';
}

}  // namespace kestrel
