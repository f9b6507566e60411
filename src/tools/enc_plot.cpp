#include "tools/enc_plot.hpp"

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

}  // namespace kestrel
