// kestrel-plot: the figures of one or more output files, named on the command line.
#include "kestrel-plot/plot_tool.hpp"

#include <algorithm>
#include <array>
#include <list>

#include "formats/regular_file.hpp"
#include "tools/command_line.hpp"
#include "tools/enc_plot.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-plot [[--figure enc|neutrality|pr2] -o FILE.svg]... [--x GC3|GC3_6]\n"
    "                    [--y ENC|CAI|Fop|Chi_L] [--allow-incomplete] OUTPUT.kstl\n"
    "\n"
    "Draws the genes of a KESTREL output file as one SVG figure: a scatter of one point\n"
    "per gene, forward- and reverse-strand genes in two colours, and a histogram of the\n"
    "y values beside it. Genes without a value on either axis are left out and counted\n"
    "in a note on the figure; a file where no gene has both is an error.\n"
    "\n"
    "--figure enc (the default): the y index against the x index, with the curve\n"
    "expected under mutation pressure alone when y is ENC. x defaults to GC3_6 when the\n"
    "file has it, else GC3; y to ENC.\n"
    "--figure neutrality: GC12, the mean GC of first and second positions, against GC3,\n"
    "with the least-squares line (its slope and R2 printed) and the diagonal of complete\n"
    "neutrality.\n"
    "--figure pr2: G3/(G3+C3) against A3/(A3+T3) at fourfold-degenerate third positions\n"
    "(from the codon counts, or the A3_6 ... C3_6 columns), with the centre lines at 0.5.\n"
    "\n"
    "--figure and -o may be given several times, paired in order, to draw several\n"
    "figures of one file in one run.\n"
    "\n"
    "--genome-means (with --figure neutrality and -o) takes several output files, and\n"
    "those named one a line in --list FILE, and draws one point per file: the means of\n"
    "its genes' GC12 and GC3.\n"
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
                     {"--list", {}, true, "a file name"}}};


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
};

PlotArguments genomeMeansArguments(const CommandLine& line, PlotArguments& parsed) {
    if (parsed.figure != Figure::Neutrality) throw UsageError("--genome-means goes with --figure neutrality");
    if (parsed.outputPath.empty() || parsed.outputPath == "-") throw UsageError("--genome-means needs -o FILE.svg");
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
    if (line.has("--genome-means")) return genomeMeansArguments(line, parsed);
    if (line.value("--list")) throw UsageError("--list goes with --genome-means");
    if (line.operands.size() != 1) throw UsageError("name exactly one output file");
    parsed.input = line.operands.front();
    if (parsed.outputPath.empty()) parsed.outputPath = parsed.input == "-" ? "-" : defaultOutputName(parsed.input);
    if (parsed.several.empty()) parsed.several.push_back({parsed.figure, parsed.outputPath});
    else if (parsed.input == "-") throw UsageError("several figures are drawn from a named file, not standard input");
    for (const FigureRequest& request : parsed.several)
        if (inputWrittenOver(request.outputPath, {parsed.input}))
            throw ToolFailure(ExitUsage, "the figure " + request.outputPath + " would be written over the input " +
                                             parsed.input);
    return parsed;
}

void checkComplete(KstlReader& reader, const PlotArguments& parsed, const std::string& name, std::ostream& err) {
    if (reader.readSummary().complete) return;
    if (!parsed.allowIncomplete) throw KstlError(cutShortText(name) + " (--allow-incomplete takes it)");
    err << "kestrel-plot: warning: " << cutShortText(name) << '\n';
}

void drawGenomeMeans(const PlotArguments& parsed, std::ostream& figure, std::ostream& err) {
    PlotData means;
    for (const std::string& path : parsed.genomes) {
        InputFile file;
        const std::string problem = openToolInput(file, path);
        if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
        KstlReader reader(file, path);
        addGenomeMean(means, collectNeutralityData(reader));
        checkComplete(reader, parsed, path, err);
    }
    if (means.points.empty()) throw KstlError("no genome has a gene with values for GC3 and GC12: nothing to draw");
    figure << renderSvg(means, "genome means");
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
    const PlotData data = parsed.figure == Figure::Neutrality ? collectNeutralityData(reader)
                          : parsed.figure == Figure::Pr2    ? collectPr2Data(reader)
                                                            : collectPlotData(reader, parsed.xLabel, parsed.yLabel);
    if (data.points.empty())
        throw KstlError(name + ": no gene has a value for both " + data.xLabel + " and " + data.yLabel +
                        ": nothing to draw");
    checkComplete(reader, parsed, name, err);
    figure << renderSvg(data, baseName(name));
}

// Each figure asked for, the file read once for each. Every figure file is opened before
// the first is drawn, and all replace the old ones together, or none does.
int drawFigures(const PlotArguments& parsed, std::istream& in, std::ostream& out, std::ostream& err) {
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
