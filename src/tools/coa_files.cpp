#include "tools/coa_files.hpp"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_set>

#include "formats/kstl_reader.hpp"
#include "formats/regular_file.hpp"
#include "tools/codon_count_columns.hpp"
#include "tools/coa_tables.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/reference_report.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {


// The gene rows of one of the request's output files, with their codon counts.
CountedGeneReader geneReader(const CoaFilesRequest& request, const std::string& path, const char* valueLabel) {
    return CountedGeneReader(path, valueLabel, request.open, request.messagePrefix);
}

const char* valueLabel(CoaColour colour) {
    return colour == CoaColour::Gc3 ? "GC3" : colour == CoaColour::Cai ? "CAI" : nullptr;
}

// The genes counted in the first reading of a file, checked again in the second.
struct FileTally {
    std::size_t rows = 0;
    std::size_t usable = 0;
};

void checkCode(const CountedGeneReader& file, const std::string& path, int& code, const std::string& first) {
    if (code == 0) code = file.geneticCode();
    if (file.geneticCode() != code)
        throw ToolFailure(ExitBadData, path + ": its genes were read with genetic code " +
                                           std::to_string(file.geneticCode()) + ", those of " + first + " with " +
                                           std::to_string(code) + ": the codons of one analysis follow one code");
}

// The first reading: every usable gene of every input added to the table.
std::vector<FileTally> sumTable(const CoaFilesRequest& request, CoaAccumulator& table, const CoaColumns& columns,
                                std::ostream& err) {
    std::vector<FileTally> tallies;
    CountedGene gene;
    CoaRow row{};
    int code = 0;
    for (const std::string& path : request.inputs) {
        CountedGeneReader file = geneReader(request, path, nullptr);
        checkCode(file, path, code, request.inputs.front());
        FileTally tally;
        while (file.next(gene)) {
            ++tally.rows;
            const double sum = coaRow(gene.counts, columns, row);
            if (sum <= 0) continue;
            table.add(row, sum);
            ++tally.usable;
        }
        file.checkComplete(request.allowIncomplete, err);
        if (tally.usable < tally.rows)
            err << request.messagePrefix << path << ": " << tally.rows - tally.usable << " of " << tally.rows
                << " genes left out: no codon that takes part in the analysis\n";
        tallies.push_back(tally);
    }
    return tallies;
}

// Gene names, one a line, or the gene rows of a kestrel-reference table (their locus_tag,
// gene and protein_id).
std::unordered_set<std::string> referenceNames(const std::string& path) {
    const std::vector<std::string> names = reference::readReferenceNames(path);
    return {names.begin(), names.end()};
}

// The output files, all opened before any is written and committed together at the end.
class CoaOutputs {
public:
    CoaOutputs(const std::vector<std::string>& paths, std::ostream& out) {
        std::string error;
        for (const std::string& path : paths) {
            files_.push_back(std::make_unique<OutputFileWriter>(path, out));
            if (!files_.back()->open(error)) throw ToolFailure(ExitBadData, error);
        }
    }
    std::ostream& operator[](std::size_t i) { return files_[i]->stream(); }
    void commit() {
        std::string error;
        for (const auto& file : files_)
            if (!file->commit(error)) throw ToolFailure(ExitBadData, error);
    }

private:
    std::vector<std::unique_ptr<OutputFileWriter>> files_;
};

enum OutputFile : std::size_t { EigenFile, GenesFile, CodonsFile, FigureFile, SupplementaryFile };

// The second reading: each gene's coordinates to the genes table and to the figure.
void placeGenes(const CoaFilesRequest& request, const CoaAxes& fit, const std::vector<FileTally>& tallies,
                std::size_t axes, std::ostream& table, CoaFigure& figure) {
    const std::unordered_set<std::string> names =
        request.colour == CoaColour::ReferenceSet ? referenceNames(request.referenceList) : std::unordered_set<std::string>{};
    // The axes of the table and those of the figure.
    std::vector<double> coordinates(axes),
        shown(std::max({axes, request.figureAxes[0] + 1, request.figureAxes[1] + 1}));
    CountedGene gene;
    CoaRow row{};
    for (std::size_t f = 0; f < request.inputs.size(); ++f) {
        const std::string& path = request.inputs[f];
        CountedGeneReader file = geneReader(request, path, valueLabel(request.colour));
        FileTally tally;
        while (file.next(gene)) {
            ++tally.rows;
            coaRow(gene.counts, fit.columns, row);
            if (!fit.rowCoordinates(row, shown)) continue;
            ++tally.usable;
            std::copy(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(axes), coordinates.begin());
            writeCoaGeneRow(table, path, gene.name, gene.row, coordinates);
            CoaFigurePoint point;
            point.x = static_cast<float>(shown[request.figureAxes[0]]);
            point.y = static_cast<float>(shown[request.figureAxes[1]]);
            point.hasValue = gene.value.has_value();
            point.value = static_cast<float>(gene.value.value_or(0.0));
            point.marked = names.contains(std::string(gene.name));
            figure.genes.push_back(point);
        }
        if (tally.rows != tallies[f].rows || tally.usable != tallies[f].usable)
            throw ToolFailure(ExitBadData, path + ": changed while it was being read");
    }
}

// The supplementary genes, projected on the axes.
void placeSupplementary(const CoaFilesRequest& request, const CoaAxes& fit, std::size_t axes, int code,
                        std::ostream& table, std::ostream& err) {
    writeCoaGeneHeader(table, axes);
    std::vector<double> coordinates(axes);
    CountedGene gene;
    CoaRow row{};
    for (const std::string& path : request.supplementary) {
        CountedGeneReader file = geneReader(request, path, nullptr);
        checkCode(file, path, code, request.inputs.front());
        std::size_t leftOut = 0;
        while (file.next(gene)) {
            coaRow(gene.counts, fit.columns, row);
            if (fit.rowCoordinates(row, coordinates)) writeCoaGeneRow(table, path, gene.name, gene.row, coordinates);
            else ++leftOut;
        }
        file.checkComplete(request.allowIncomplete, err);
        if (leftOut > 0)
            err << request.messagePrefix << path << ": " << leftOut << " supplementary genes left out: no codon used by the fitted genes\n";
    }
}

int firstCode(const CoaFilesRequest& request) {
    CountedGeneReader file = geneReader(request, request.inputs.front(), nullptr);
    return file.geneticCode();
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string figureTitle(const CoaFilesRequest& request, std::size_t genes) {
    const std::string files = request.inputs.size() == 1 ? baseName(request.inputs.front())
                                                         : std::to_string(request.inputs.size()) + " files";
    return files + ": " + std::to_string(genes) + " genes, " + std::string(coaVariantTitle(request.variant));
}

void reportAxes(const CoaFilesRequest& request, const CoaAxes& fit, std::size_t files, std::ostream& err) {
    char share[32];
    err << request.messagePrefix << fit.rows << " genes of " << files << (files == 1 ? " file" : " files") << ", "
        << coaVariantTitle(fit.columns.variant) << ": " << fit.axes() << " axes, total inertia " << fit.totalInertia;
    for (std::size_t k = 0; k < std::min<std::size_t>(4, fit.axes()); ++k) {
        std::snprintf(share, sizeof share, "%.2f%%", 100 * fit.eigenvalues[k] / fit.totalInertia);
        err << (k == 0 ? "; axis 1 " : ", axis " + std::to_string(k + 1) + " ") << share;
    }
    err << '\n';
}

// A figure whose colours say nothing is worth a word.
void warnOfColours(const CoaFilesRequest& request, const CoaFigure& figure, std::ostream& err) {
    std::size_t coloured = 0;
    for (const CoaFigurePoint& g : figure.genes)
        coloured += (request.colour == CoaColour::ReferenceSet ? g.marked : g.hasValue) ? 1 : 0;
    if (coloured > 0) return;
    if (request.colour == CoaColour::ReferenceSet)
        err << request.messagePrefix << "warning: no gene of the analysis is named in " << request.referenceList << '\n';
    else
        err << request.messagePrefix << "warning: no gene has a value of " << valueLabel(request.colour)
            << (request.colour == CoaColour::Cai ? " (the analysis ran without an RSCU table)" : "")
            << ": the figure draws every gene grey\n";
}

}  // namespace

std::vector<std::string> coaOutputPaths(const CoaFilesRequest& request) {
    std::vector<std::string> paths;
    for (const char* suffix : {".eigen.tsv", ".genes.tsv", ".codons.tsv", ".svg"}) paths.push_back(request.prefix + suffix);
    if (!request.supplementary.empty()) paths.push_back(request.prefix + ".supplementary.tsv");
    return paths;
}

std::vector<std::string> coaInputPaths(const CoaFilesRequest& request) {
    std::vector<std::string> inputs = request.inputs;
    inputs.insert(inputs.end(), request.supplementary.begin(), request.supplementary.end());
    if (request.colour == CoaColour::ReferenceSet) inputs.push_back(request.referenceList);
    return inputs;
}

void runCoa(const CoaFilesRequest& request, const std::array<std::ostream*, 5>& outputs, std::ostream& err) {
    const int code = firstCode(request);
    const CoaColumns columns = coaColumns(request.variant, *geneticCodeOf(code));
    CoaAccumulator table(columns.size());
    const std::vector<FileTally> tallies = sumTable(request, table, columns, err);
    const CoaAxes fit = fitCoa(table, columns);
    // An analysis of one axis draws it against nothing, unless other axes were asked for.
    const std::size_t shownAxes = std::max(request.figureAxes[0], request.figureAxes[1]) + 1;
    const bool onlyAxis = fit.axes() == 1 && request.figureAxes == std::array<std::size_t, 2>{0, 1};
    if (shownAxes > fit.axes() && !onlyAxis)
        throw CoaError("the figure asks for axis " + std::to_string(shownAxes) + ", but the analysis has " +
                       std::to_string(fit.axes()) + (fit.axes() == 1 ? " axis" : " axes"));
    const std::size_t axes = std::min(request.axes, fit.axes());
    writeCoaEigenTable(*outputs[EigenFile], fit);
    writeCoaColumnTable(*outputs[CodonsFile], fit, axes);
    writeCoaGeneHeader(*outputs[GenesFile], axes);
    CoaFigure figure = coaFigureFrame(fit, request.figureAxes, request.colour, request.labels);
    placeGenes(request, fit, tallies, axes, *outputs[GenesFile], figure);
    if (!request.supplementary.empty())
        placeSupplementary(request, fit, axes, code, *outputs[SupplementaryFile], err);
    warnOfColours(request, figure, err);
    figure.title = figureTitle(request, fit.rows);
    *outputs[FigureFile] << renderCoaSvg(figure);
    reportAxes(request, fit, request.inputs.size(), err);
}

void runCoaOnFiles(const CoaFilesRequest& request, std::ostream& out, std::ostream& err) {
    CoaOutputs outputs(coaOutputPaths(request), out);
    std::array<std::ostream*, 5> streams{};
    for (std::size_t i = 0; i < coaOutputPaths(request).size(); ++i) streams[i] = &outputs[i];
    runCoa(request, streams, err);
    outputs.commit();
}

}  // namespace kestrel
