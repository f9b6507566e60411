// kestrel-plot: the figures of one or more output files, named on the command line.
#include "kestrel-plot/plot_tool.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <list>

#include "formats/regular_file.hpp"
#include "tools/command_line.hpp"
#include "tools/enc_plot.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/reference_report.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-plot [[--figure enc|neutrality|pr2] -o FILE.svg]... [--x GC3|GC3_6]\n"
    "                    [--y ENC|CAI|Fop|Chi_L] [--reference FILE]\n"
    "                    [--colour reference|CAI|Fop|GC3|strand|none] [--title TEXT]\n"
    "                    [--allow-incomplete] OUTPUT.kstl\n"
    "       kestrel-plot --figure neutrality --genome-means -o FILE.svg [--title TEXT]\n"
    "                    [--list FILE] OUTPUT.kstl...\n"
    "\n"
    "Draws the genes of a KESTREL output file as one SVG figure: a scatter of one point\n"
    "per gene and a histogram of the y values beside it (its bins chosen from the number\n"
    "of genes). Genes without a value on either axis are left out and counted in a note\n"
    "on the figure; a file where no gene has both is an error. Above 2000 genes the\n"
    "points are drawn smaller and lighter, so that the dense core shows its density.\n"
    "\n"
    "--figure enc (the default): the y index against the x index, with the curve\n"
    "expected under mutation pressure alone when y is ENC. x defaults to GC3_6 when the\n"
    "file has it, else GC3; y to ENC.\n"
    "--figure neutrality: GC12, the mean GC of first and second positions, against GC3 on\n"
    "a square plot, with the diagonal of complete neutrality and, through 10 points or\n"
    "more, the least-squares line (its slope and R2 printed).\n"
    "--figure pr2: G3/(G3+C3) against A3/(A3+T3) at fourfold-degenerate third positions\n"
    "(from the codon counts, or the A3_6 ... C3_6 columns), with the centre lines at 0.5\n"
    "and the genes' mean marked, its value in the legend.\n"
    "\n"
    "--reference FILE marks the genes of a reference set: the gene rows of a table\n"
    "written by kestrel-reference (PREFIX.reference.tsv), or gene names one a line,\n"
    "matched to the Gene column. --colour chooses what the colour of a point says: the\n"
    "reference set (dark points over light ones; the default with --reference), CAI, Fop\n"
    "or GC3 on a colour scale, the strand, or nothing (the default without --reference);\n"
    "with another colour than the set's, its genes are ringed. --title names the figure\n"
    "(the organism, say) instead of the file.\n"
    "\n"
    "--figure and -o may be given several times, paired in order, to draw several\n"
    "figures of one file in one run.\n"
    "\n"
    "--genome-means (with --figure neutrality and -o) takes several output files, and\n"
    "those named one a line in --list FILE, and draws one point per file, the means of\n"
    "its genes' GC12 and GC3, numbered, with a key of the files; no regression line\n"
    "is drawn through fewer than 10 points.\n"
    "\n"
    "The figure goes to FILE.svg, or beside the input with .kstl replaced by .svg; - for\n"
    "OUTPUT.kstl reads standard input (the figure then goes to standard output without\n"
    "-o). A regular file is written only when complete, and the figures of one run\n"
    "replace the old ones all or none; a FIFO, device or /dev/stdout is written in\n"
    "place. Values however large are drawn: an axis widens to hold them all.\n"
    "\n"
    "An output file that ends before its end-of-run summary comes from a run that was\n"
    "cut short: it is refused, unless --allow-incomplete is given (its rows are then\n"
    "drawn, with a warning).\n"
    "\n"
    "Exit status 0 on success, 1 when the file cannot be read, is not a regular file, not\n"
    "a complete KESTREL analysis output file, lacks a requested column or has nothing to\n"
    "draw, 2 for a wrong command line (an output file that is also the input is one).\n"
    "--version prints the version.\n"
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-plot",
                    Usage,
                    {{"-o", {}, true},
                     {"--figure", {}, true},
                     {"--x", {}, true},
                     {"--y", {}, true},
                     {"--allow-incomplete"},
                     {"--genome-means"},
                     {"--list", {}, true, "a file name"},
                     {"--reference", {}, true, "a file name"},
                     {"--colour", "--color", true, "reference, CAI, Fop, GC3, strand or none"},
                     {"--title", {}, true, "a text"}}};


constexpr std::array<const char*, 2> XLabels = {"GC3", "GC3_6"};
constexpr std::array<const char*, 4> YLabels = {"ENC", "CAI", "Fop", "Chi_L"};

std::string defaultOutputName(const std::string& input) {
    const std::string suffix = ".kstl";
    if (input.size() > suffix.size() && input.compare(input.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return input.substr(0, input.size() - suffix.size()) + ".svg";
    }
    return input + ".svg";
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

template <std::size_t N>
bool oneOf(const std::string& value, const std::array<const char*, N>& choices) {
    return std::any_of(choices.begin(), choices.end(), [&](const char* c) { return value == c; });
}

struct FigureRequest {
    Figure figure = Figure::Enc;
    std::string outputPath;
};

struct PlotArguments {
    Figure figure = Figure::Enc;
    std::string outputPath;
    std::vector<FigureRequest> several;  // --figure and -o given more than once, paired in order
    std::optional<std::string> xLabel;
    std::string yLabel = "ENC";
    std::string input;
    std::vector<std::string> genomes;  // --genome-means: every file
    bool allowIncomplete = false;
    FigureOptions options;
    std::optional<std::string> referencePath;
    std::optional<std::string> title;  // instead of the file's name
};

PointColour colourNamed(const std::string& name) {
    constexpr std::array<std::pair<const char*, PointColour>, 6> colours = {{{"reference", PointColour::Reference},
                                                                             {"CAI", PointColour::Cai},
                                                                             {"Fop", PointColour::Fop},
                                                                             {"GC3", PointColour::Gc3},
                                                                             {"strand", PointColour::Strand},
                                                                             {"none", PointColour::None}}};
    const auto same = [&](const char* choice) {
        return std::equal(name.begin(), name.end(), choice, choice + std::strlen(choice),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                      std::tolower(static_cast<unsigned char>(b)); });
    };
    for (const auto& [choice, colour] : colours)
        if (same(choice)) return colour;
    throw UsageError("--colour takes reference, CAI, Fop, GC3, strand or none, not " + name);
}

PlotArguments genomeMeansArguments(const CommandLine& line, PlotArguments& parsed) {
    if (parsed.figure != Figure::Neutrality) throw UsageError("--genome-means goes with --figure neutrality");
    if (parsed.outputPath.empty() || parsed.outputPath == "-") throw UsageError("--genome-means needs -o FILE.svg");
    if (line.has("--colour") || line.has("--reference"))
        throw UsageError("--colour and --reference go with the figures of one file, not --genome-means");
    parsed.genomes = line.operands;
    if (const auto list = line.value("--list")) readFileList(*list, parsed.genomes);
    if (parsed.genomes.empty()) throw UsageError("no output file named");
    std::vector<std::string> inputs = parsed.genomes;
    if (const auto list = line.value("--list")) inputs.push_back(*list);
    if (auto input = inputWrittenOver(parsed.outputPath, inputs))
        throw ToolFailure(ExitUsage, "the figure " + parsed.outputPath + " would be written over the input " + *input);
    return parsed;
}

Figure figureNamed(const std::string& name) {
    if (name == "enc") return Figure::Enc;
    if (name == "neutrality") return Figure::Neutrality;
    if (name == "pr2") return Figure::Pr2;
    throw UsageError("--figure takes enc, neutrality or pr2, not " + name);
}

// Several figures of one file in one run: each --figure with the -o in the same place.
void severalFigures(const CommandLine& line, PlotArguments& parsed) {
    const std::vector<std::string> figures = line.values("--figure");
    const std::vector<std::string> outputs = line.values("-o");
    if (outputs.size() != figures.size()) throw UsageError("give one -o for each --figure");
    if (line.has("--genome-means")) throw UsageError("--genome-means draws one figure");
    for (std::size_t i = 0; i < figures.size(); ++i) {
        if (outputs[i].empty() || outputs[i] == "-") throw UsageError("several figures need a file name each");
        for (std::size_t j = 0; j < i; ++j)
            if (sameDestination(outputs[j], outputs[i])) throw UsageError("two figures named " + outputs[i]);
        parsed.several.push_back({figureNamed(figures[i]), outputs[i]});
    }
}

PlotArguments plotArguments(const CommandLine& line) {
    PlotArguments parsed;
    parsed.outputPath = line.value("-o").value_or("");
    if (const auto figure = line.value("--figure")) parsed.figure = figureNamed(*figure);
    if (line.values("--figure").size() > 1) severalFigures(line, parsed);
    const bool encDrawn = parsed.figure == Figure::Enc ||
                          std::any_of(parsed.several.begin(), parsed.several.end(),
                                      [](const FigureRequest& r) { return r.figure == Figure::Enc; });
    if (!encDrawn && (line.value("--x") || line.value("--y")))
        throw UsageError("--x and --y choose the axes of --figure enc only");
    if (const auto x = line.value("--x")) {
        if (!oneOf(*x, XLabels)) throw UsageError("--x takes GC3 or GC3_6, not " + *x);
        parsed.xLabel = x;
    }
    parsed.yLabel = line.value("--y").value_or("ENC");
    if (!oneOf(parsed.yLabel, YLabels)) throw UsageError("--y takes ENC, CAI, Fop or Chi_L, not " + parsed.yLabel);
    parsed.allowIncomplete = line.has("--allow-incomplete");
    parsed.title = line.value("--title");
    parsed.referencePath = line.value("--reference");
    if (const auto colour = line.value("--colour")) parsed.options.colour = colourNamed(*colour);
    if (parsed.options.colour == PointColour::Reference && !parsed.referencePath)
        throw UsageError("--colour reference needs --reference FILE");
    if (line.has("--genome-means")) return genomeMeansArguments(line, parsed);
    if (line.value("--list")) throw UsageError("--list goes with --genome-means");
    if (line.operands.size() != 1) throw UsageError("name exactly one output file");
    parsed.input = line.operands.front();
    if (parsed.outputPath.empty()) parsed.outputPath = parsed.input == "-" ? "-" : defaultOutputName(parsed.input);
    if (parsed.several.empty()) parsed.several.push_back({parsed.figure, parsed.outputPath});
    else if (parsed.input == "-") throw UsageError("several figures are drawn from a named file, not standard input");
    std::vector<std::string> inputs{parsed.input};
    if (parsed.referencePath) inputs.push_back(*parsed.referencePath);
    for (const FigureRequest& request : parsed.several)
        if (const auto input = inputWrittenOver(request.outputPath, inputs))
            throw ToolFailure(ExitUsage, "the figure " + request.outputPath + " would be written over the input " +
                                             *input);
    return parsed;
}

void checkComplete(KstlReader& reader, const PlotArguments& parsed, const std::string& name, std::ostream& err) {
    if (reader.readSummary().complete) return;
    if (!parsed.allowIncomplete) throw KstlError(cutShortText(name) + " (--allow-incomplete takes it)");
    err << "kestrel-plot: warning: " << cutShortText(name) << '\n';
}

// A genome's name in the key: its file's, without the folder and .kstl.
std::string genomeName(const std::string& path) {
    std::string name = baseName(path);
    if (name.size() > 5 && name.ends_with(".kstl")) name.resize(name.size() - 5);
    return name;
}

// A figure whose marks or colours say nothing is worth a word.
void warnOfColours(const PlotArguments& parsed, const PlotData& data, const std::string& name, std::ostream& err) {
    const auto any = [&](bool PlotPoint::*what) {
        return std::any_of(data.points.begin(), data.points.end(), [&](const PlotPoint& p) { return p.*what; });
    };
    if (parsed.referencePath && !any(&PlotPoint::marked))
        err << "kestrel-plot: warning: no gene of " << name << " is named in " << *parsed.referencePath << '\n';
    if (const char* column = colourColumn(data.colour); column && !any(&PlotPoint::hasValue))
        err << "kestrel-plot: warning: no gene of " << name << " has a value of " << column
            << ": every gene is drawn grey\n";
}

// The names of the reference set's genes, for the figures of one run.
void readReference(PlotArguments& parsed) {
    if (!parsed.referencePath) return;
    parsed.options.referenceGenes = reference::readReferenceNames(*parsed.referencePath);
    if (parsed.options.referenceGenes.empty())
        throw ToolFailure(ExitBadData, *parsed.referencePath + ": names no gene");
    parsed.options.referenceName = "reference set (" + baseName(*parsed.referencePath) + ")";
}

void drawGenomeMeans(const PlotArguments& parsed, std::ostream& figure, std::ostream& err) {
    PlotData means;
    for (const std::string& path : parsed.genomes) {
        InputFile file;
        const std::string problem = openToolInput(file, path);
        if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
        KstlReader reader(file, path);
        addGenomeMean(means, collectNeutralityData(reader), genomeName(path));
        checkComplete(reader, parsed, path, err);
    }
    if (means.points.empty()) throw KstlError("no genome has a gene with values for GC3 and GC12: nothing to draw");
    figure << renderSvg(means, parsed.title.value_or("genome means"));
}

void drawFigure(const PlotArguments& parsed, std::istream& in, std::ostream& figure, std::ostream& err) {
    const bool fromStandardInput = parsed.input == "-";
    const std::string name = fromStandardInput ? "standard input" : parsed.input;
    InputFile file;
    if (!fromStandardInput) {
        const std::string problem = openToolInput(file, parsed.input);
        if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    }
    KstlReader reader(fromStandardInput ? in : file, name);
    const FigureOptions& options = parsed.options;
    const PlotData data = parsed.figure == Figure::Neutrality ? collectNeutralityData(reader, options)
                          : parsed.figure == Figure::Pr2
                              ? collectPr2Data(reader, options)
                              : collectPlotData(reader, parsed.xLabel, parsed.yLabel, options);
    if (data.points.empty())
        throw KstlError(name + ": no gene has a value for both " + data.xLabel + " and " + data.yLabel +
                        ": nothing to draw");
    checkComplete(reader, parsed, name, err);
    warnOfColours(parsed, data, name, err);
    figure << renderSvg(data, parsed.title.value_or(baseName(name)));
}

// Each figure asked for, the file read once for each. Every figure file is opened before
// the first is drawn, and all replace the old ones together, or none does.
int drawFigures(PlotArguments parsed, std::istream& in, std::ostream& out, std::ostream& err) {
    readReference(parsed);
    const std::vector<FigureRequest> requests =
        parsed.genomes.empty() ? parsed.several : std::vector<FigureRequest>{{parsed.figure, parsed.outputPath}};
    std::list<OutputFileWriter> files;
    std::vector<OutputFileWriter*> group;
    std::string error;
    for (const FigureRequest& request : requests) {
        group.push_back(&files.emplace_back(request.outputPath, out));
        if (!group.back()->open(error)) throw KstlError(error);
    }
    if (!parsed.genomes.empty()) drawGenomeMeans(parsed, group.front()->stream(), err);
    for (std::size_t i = 0; i < requests.size() && parsed.genomes.empty(); ++i) {
        PlotArguments one = parsed;
        one.figure = requests[i].figure;
        drawFigure(one, in, group[i]->stream(), err);
    }
    if (!commitTogether(group, error)) throw KstlError(error);
    return ExitSuccess;
}

}  // namespace

int runPlotTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err,
                   [&in](const CommandLine& line, std::ostream& out, std::ostream& err) {
                       return drawFigures(plotArguments(line), in, out, err);
                   });
}

}  // namespace kestrel
