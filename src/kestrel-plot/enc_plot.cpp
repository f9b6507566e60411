#include "kestrel-plot/enc_plot.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <list>

#include "formats/regular_file.hpp"
#include "tools/command_line.hpp"
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

constexpr double Width = 940;
constexpr double Height = 580;
constexpr double PlotLeft = 80;
constexpr double PlotTop = 80;
constexpr double PlotWidth = 540;
constexpr double PlotHeight = 420;
constexpr double HistLeft = PlotLeft + PlotWidth + 40;
constexpr double HistWidth = 200;
constexpr int HistBins = 20;
constexpr const char* ForwardColour = "#1f6fb4";
constexpr const char* ReverseColour = "#d4572a";
// Points are drawn see-through, so that the dense core of a genome shows its density.
constexpr const char* PointOpacity = "0.35";

// What an axis shows, for its title.
std::string axisTitle(const std::string& label) {
    static const std::array<std::pair<const char*, const char*>, 9> titles = {{
        {"GC3", "GC3: GC at third codon positions"},
        {"GC3_6", "GC3 at fourfold-degenerate sites (GC3_6)"},
        {"ENC", "ENC: effective number of codons"},
        {"CAI", "CAI: codon adaptation index"},
        {"Fop", "Fop: frequency of optimal codons"},
        {"Chi_L", "Chi\u00b2/L: codon bias per codon"},
        {"GC12", "GC12: mean GC at first and second codon positions"},
        {"A3/(A3+T3)", "A3/(A3+T3) at fourfold-degenerate sites"},
        {"G3/(G3+C3)", "G3/(G3+C3) at fourfold-degenerate sites"},
    }};
    for (const auto& [label_, title] : titles)
        if (label == label_) return title;
    return label;
}

// An axis from low to high (low < high), for any finite values: where the span itself
// exceeds the largest double, it is measured in halves.
struct Range {
    double low;
    double high;
    bool spanFinite() const { return std::isfinite(high - low); }
    // Where v lies: 0 at low, 1 at high.
    double fraction(double v) const {
        return spanFinite() ? (v - low) / (high - low) : (v / 2 - low / 2) / (high / 2 - low / 2);
    }
    // The value i/n of the way from low to high.
    double at(int i, int n) const {
        const double t = static_cast<double>(i) / n;
        return spanFinite() ? low + (high - low) * i / n : low * (1 - t) + high * t;
    }
};

// At most this many ticks on an axis (a step is a tenth of the span or more).
constexpr std::size_t MaxTicks = 12;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string tickText(double value, double step) {
    char text[32];
    if (step >= 1e6) std::snprintf(text, sizeof text, "%.3g", value);  // no number hundreds of digits long
    else std::snprintf(text, sizeof text, "%.*f", step < 0.1 ? 2 : step < 1 ? 1 : 0, value);
    return text;
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // Control characters are not allowed in XML text.
                out += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
        }
    }
    return out;
}

// The usual range of each index, widened to hold every plotted value.
Range axisRange(const std::string& label, const std::vector<PlotPoint>& points, bool isX) {
    Range range = label == "ENC" ? Range{20, 62} : Range{0, 1};
    for (const auto& p : points) {
        const double v = isX ? p.x : p.y;
        range.low = std::min(range.low, std::floor(v));
        range.high = std::max(range.high, std::ceil(v));
    }
    return range;
}

// 1, 2 or 5 times a power of ten, such that the span holds at most ten steps.
double tickStep(const Range& range) {
    const bool finite = range.spanFinite();
    const double span = finite ? range.high - range.low : range.high / 2 - range.low / 2;
    const double scale = finite ? 1 : 2;
    double step = std::pow(10.0, std::floor(std::log10(span)));
    for (double factor : {0.2, 0.5, 1.0}) {
        if (span / (step * factor) <= 10) return step * factor * scale;
    }
    return step * scale;
}

// The values of an axis's ticks: low, low + step, ... up to high.
std::vector<double> tickValues(const Range& range, double step) {
    std::vector<double> values;
    for (double v = range.low; values.size() < MaxTicks && std::isfinite(v) && v <= range.high + step / 1000; v += step)
        values.push_back(v);
    return values;
}

class Svg {
public:
    void line(double x1, double y1, double x2, double y2, const char* style) {
        text_ += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
                 number(y2) + "\" style=\"" + style + "\"/>\n";
    }
    void label(double x, double y, const std::string& content, const char* anchor, const char* extra = "") {
        text_ += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
                 ">" + xmlEscaped(content) + "</text>\n";
    }
    void rect(double x, double y, double w, double h, const char* fill) {
        text_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(w) + "\" height=\"" +
                 number(h) + "\" fill=\"" + fill + "\"/>\n";
    }
    void circle(double x, double y, const char* fill, const char* opacity = "1") {
        text_ += "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"2.6\" fill=\"" + fill +
                 "\" fill-opacity=\"" + opacity + "\"/>\n";
    }
    void raw(const std::string& text) { text_ += text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

struct Scale {
    Range range;
    double from;
    double length;
    bool flipped;
    double operator()(double v) const {
        const double t = range.fraction(v);
        return flipped ? from + length * (1 - t) : from + length * t;
    }
};

void drawAxes(Svg& svg, const Scale& sx, const Scale& sy, const std::string& xLabel, const std::string& yLabel) {
    svg.rect(PlotLeft, PlotTop, PlotWidth, PlotHeight, "#ffffff");
    const char* axis = "stroke:#000;stroke-width:1";
    const char* grid = "stroke:#ddd;stroke-width:1";
    const double bottom = PlotTop + PlotHeight;
    const double xStep = tickStep(sx.range);
    for (const double v : tickValues(sx.range, xStep)) {
        svg.line(sx(v), PlotTop, sx(v), bottom, grid);
        svg.line(sx(v), bottom, sx(v), bottom + 5, axis);
        svg.label(sx(v), bottom + 20, tickText(v, xStep), "middle");
    }
    const double yStep = tickStep(sy.range);
    for (const double v : tickValues(sy.range, yStep)) {
        svg.line(PlotLeft, sy(v), PlotLeft + PlotWidth, sy(v), grid);
        svg.line(PlotLeft - 5, sy(v), PlotLeft, sy(v), axis);
        svg.label(PlotLeft - 9, sy(v) + 4, tickText(v, yStep), "end");
    }
    svg.line(PlotLeft, bottom, PlotLeft + PlotWidth, bottom, axis);
    svg.line(PlotLeft, PlotTop, PlotLeft, bottom, axis);
    svg.label(PlotLeft + PlotWidth / 2, bottom + 45, axisTitle(xLabel), "middle");
    svg.label(25, PlotTop + PlotHeight / 2, axisTitle(yLabel), "middle",
              (" transform=\"rotate(-90 25 " + number(PlotTop + PlotHeight / 2) + ")\"").c_str());
}

void drawCurve(Svg& svg, const Scale& sx, const Scale& sy) {
    std::string points;
    for (int i = 0; i <= 200; ++i) {
        const double s = sx.range.at(i, 200);
        if (s < 0 || s > 1) continue;
        const double enc = std::clamp(expectedEnc(s), sy.range.low, sy.range.high);
        points += number(sx(s)) + "," + number(sy(enc)) + " ";
    }
    svg.raw("<polyline points=\"" + points + "\" style=\"fill:none;stroke:#000;stroke-width:1.5\"/>\n");
}

void drawHistogram(Svg& svg, const PlotData& data, const Scale& sy) {
    std::array<std::size_t, HistBins> counts{};
    for (const auto& p : data.points) {
        const double at = std::clamp(sy.range.fraction(p.y) * HistBins, 0.0, HistBins - 1.0);
        ++counts[static_cast<std::size_t>(at)];
    }
    const std::size_t most = std::max<std::size_t>(1, *std::max_element(counts.begin(), counts.end()));
    const double binHeight = PlotHeight / HistBins;
    for (int b = 0; b < HistBins; ++b) {
        if (counts[b] == 0) continue;
        const double length = HistWidth * static_cast<double>(counts[b]) / static_cast<double>(most);
        svg.rect(HistLeft, PlotTop + PlotHeight - (b + 1) * binHeight + 1, length, binHeight - 2, "#8c8c8c");
    }
    const char* axis = "stroke:#000;stroke-width:1";
    const double bottom = PlotTop + PlotHeight;
    svg.line(HistLeft, PlotTop, HistLeft, bottom, axis);
    svg.line(HistLeft, bottom, HistLeft + HistWidth, bottom, axis);
    svg.label(HistLeft, bottom + 20, "0", "middle");
    svg.label(HistLeft + HistWidth, bottom + 20, std::to_string(most), "middle");
    svg.label(HistLeft + HistWidth / 2, bottom + 45,
              (data.genomeMeans ? "genomes" : "genes") + std::string(" per bin of ") + data.yLabel, "middle");
}

void drawLegend(Svg& svg, bool withCurve, const std::string& xLabel, bool genomeMeans) {
    double x = PlotLeft;
    const double y = 58;
    for (const auto& [name, colour] : {std::pair{"Forward strand", ForwardColour}, {"Reverse strand", ReverseColour}}) {
        svg.circle(x + 5, y - 4, colour);
        svg.label(x + 14, y, genomeMeans ? "Genome mean" : name, "start");
        x += 130;
        if (genomeMeans) break;
    }
    if (withCurve) {
        svg.line(x, y - 4, x + 24, y - 4, "stroke:#000;stroke-width:1.5");
        svg.label(x + 30, y, "expected ENC = 2 + s + 29/(s\u00b2 + (1 \u2212 s)\u00b2), s = " + xLabel, "start");
    }
}

// The diagonal of complete neutrality (GC12 = GC3) and the least-squares line, with its
// slope and R2 in the legend's row.
void drawNeutralityLines(Svg& svg, const PlotData& data, const Scale& sx, const Scale& sy) {
    const double low = std::max(sx.range.low, sy.range.low), high = std::min(sx.range.high, sy.range.high);
    const char* dashed = "stroke:#555;stroke-width:1.2;stroke-dasharray:5,4";
    svg.line(sx(low), sy(low), sx(high), sy(high), dashed);
    double x = PlotLeft + 260;
    const double y = 58;
    svg.line(x, y - 4, x + 24, y - 4, dashed);
    svg.label(x + 30, y, "GC12 = GC3 (neutrality)", "start");
    const auto line = leastSquares(data.points);
    if (!line) return;
    double xLow = data.points.front().x, xHigh = xLow;
    for (const auto& p : data.points) xLow = std::min(xLow, p.x), xHigh = std::max(xHigh, p.x);
    const double yLow = line->intercept + line->slope * xLow, yHigh = line->intercept + line->slope * xHigh;
    if (!std::isfinite(yLow) || !std::isfinite(yHigh)) return;  // values too large for a line
    const char* solid = "stroke:#000;stroke-width:1.8";
    svg.line(sx(xLow), sy(yLow), sx(xHigh), sy(yHigh), solid);
    x += 200;
    svg.line(x, y - 4, x + 24, y - 4, solid);
    char text[160];
    std::snprintf(text, sizeof text, "least squares: slope %.3f, R\u00b2 = %.3f", line->slope, line->r2);
    svg.label(x + 30, y, text, "start");
}

void drawCentreLines(Svg& svg, const Scale& sx, const Scale& sy) {
    const char* centre = "stroke:#555;stroke-width:1.2;stroke-dasharray:5,4";
    svg.line(sx(0.5), sy(sy.range.low), sx(0.5), sy(sy.range.high), centre);
    svg.line(sx(sx.range.low), sy(0.5), sx(sx.range.high), sy(0.5), centre);
}

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

}  // namespace

double expectedEnc(double gc3) { return 2 + gc3 + 29 / (gc3 * gc3 + (1 - gc3) * (1 - gc3)); }

PlotData collectPlotData(KstlReader& reader, const std::optional<std::string>& xLabel, const std::string& yLabel) {
    PlotData data;
    data.xLabel = xLabel ? *xLabel : reader.columnIndex("GC3_6") ? "GC3_6" : "GC3";
    data.yLabel = yLabel;
    const auto column = [&](const std::string& label) {
        const auto index = reader.columnIndex(label);
        if (!index) throw KstlError(reader.name() + ": has no " + label + " column");
        return *index;
    };
    const std::size_t xColumn = column(data.xLabel);
    const std::size_t yColumn = column(data.yLabel);
    const std::size_t strandColumn = column("Strand");
    std::vector<KstlCell> cells;
    while (reader.nextRow(cells)) {
        const auto x = numericValue(cells[xColumn]);
        const auto y = numericValue(cells[yColumn]);
        if (x && y) {
            data.points.push_back({*x, *y, cells[strandColumn].text == "Reverse"});
        } else {
            ++data.leftOut;
        }
    }
    data.genes = reader.rowsRead();
    return data;
}

std::string renderSvg(const PlotData& data, const std::string& inputName) {
    const Scale sx{axisRange(data.xLabel, data.points, true), PlotLeft, PlotWidth, false};
    const Scale sy{axisRange(data.yLabel, data.points, false), PlotTop, PlotHeight, true};
    Svg svg;
    svg.raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(Width) + "\" height=\"" + number(Height) +
            "\" viewBox=\"0 0 " + number(Width) + " " + number(Height) +
            "\" font-family=\"sans-serif\" font-size=\"13\">\n");
    svg.rect(0, 0, Width, Height, "#f7f7f7");
    const std::string unit = data.genomeMeans ? " genomes" : " genes";
    svg.label(Width / 2, 28, inputName + ": " + std::to_string(data.points.size()) + unit, "middle",
              " font-size=\"17\" font-weight=\"bold\"");
    const bool curve = data.figure == Figure::Enc && data.yLabel == "ENC";
    drawLegend(svg, curve, data.xLabel, data.genomeMeans);
    drawAxes(svg, sx, sy, data.xLabel, data.yLabel);
    if (curve) drawCurve(svg, sx, sy);
    if (data.figure == Figure::Pr2) drawCentreLines(svg, sx, sy);
    for (const auto& p : data.points)
        svg.circle(sx(p.x), sy(p.y), p.reverse ? ReverseColour : ForwardColour, data.genomeMeans ? "0.8" : PointOpacity);
    if (data.figure == Figure::Neutrality) drawNeutralityLines(svg, data, sx, sy);
    drawHistogram(svg, data, sy);
    if (data.leftOut > 0)
        svg.label(PlotLeft, Height - 14,
                  std::to_string(data.leftOut) + " of " + std::to_string(data.genes) + unit +
                      " left out: no value for " + data.xLabel + " or " + data.yLabel,
                  "start");
    svg.raw("</svg>\n");
    return svg.text();
}

namespace {

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
