#include "tools/enc_plot.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "tools/svg_style.hpp"

namespace kestrel {

namespace {

constexpr double PlotLeft = 80;
constexpr double TitleY = 28;
constexpr double LegendTop = 54;  // the baseline of the legend's first row
constexpr double LegendRow = 20;
constexpr double PlotSide = 420;  // the height of every plot; the width of a square one
constexpr double EncPlotWidth = 540;
constexpr double SideGap = 40;
constexpr double SideWidth = 200;
constexpr double KeyRow = 16;
constexpr double KeyNumberWidth = 32;  // a genome's number, right-aligned, before its name
constexpr std::size_t KeyNameLength = 60;
constexpr double Bottom = 80;  // below the plot: the axis's ticks and title, a note
constexpr const char* ForwardColour = "#1f6fb4";
constexpr const char* ReverseColour = "#d4572a";
constexpr const char* AxisStyle = "stroke:#000;stroke-width:1";
constexpr const char* DashedStyle = "stroke:#555;stroke-width:1.2;stroke-dasharray:5,4";
constexpr const char* FitStyle = "stroke:#000;stroke-width:1.8";
constexpr const char* CurveStyle = "stroke:#000;stroke-width:1.5";
// Above this many genes the points are drawn smaller and lighter, so that the dense core of
// a genome shows its density and the reference genes stand out over it.
constexpr std::size_t ManyPoints = 2000;
constexpr std::size_t FewPoints = 200;  // up to this many, points hardly overlap: larger and bolder

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

std::string number(double value, int decimals = 2) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string tickText(double value, double step) {
    char text[32];
    if (step >= 1e6) std::snprintf(text, sizeof text, "%.3g", value);  // no number hundreds of digits long
    else std::snprintf(text, sizeof text, "%.*f", step < 0.1 ? 2 : step < 1 ? 1 : 0, value);
    return text;
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
    void line(double x1, double y1, double x2, double y2, const std::string& style) {
        text_ += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
                 number(y2) + "\" style=\"" + style + "\"/>\n";
    }
    void label(double x, double y, const std::string& content, const char* anchor, const std::string& extra = "") {
        text_ += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
                 ">" + xmlEscaped(content) + "</text>\n";
    }
    void rect(double x, double y, double w, double h, const std::string& fill, const std::string& extra = "") {
        text_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(w) + "\" height=\"" +
                 number(h) + "\" fill=\"" + fill + "\"" + extra + "/>\n";
    }
    // A point: its centre to a tenth of a pixel, which is all a figure of thousands needs;
    // the fill, when empty, is its group's.
    void point(double x, double y, double radius, const std::string& fill = "") {
        char text[96];
        std::snprintf(text, sizeof text, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\"%s%s%s/>\n", x, y, radius,
                      fill.empty() ? "" : " fill=\"", fill.c_str(), fill.empty() ? "" : "\"");
        text_ += text;
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

// Where the parts of a figure go.
struct Layout {
    double width = 0;
    double height = 0;
    double plotTop = 0;
    double plotWidth = 0;
    double sideLeft = 0;  // the histogram, or the key of the genomes
    double bottom() const { return plotTop + PlotSide; }
};

// What the legend shows before each of its texts.
enum class Mark { Dot, Ring, Line, Cross, Scale, None };

struct LegendItem {
    Mark mark = Mark::Dot;
    std::string style;  // a dot's fill, a line's style, the text after a scale
    std::string text;   // after the mark; before a scale
};

constexpr double ScaleWidth = 80;

// The width of a text, reckoned at 7.5 pixels a character.
double textWidth(const std::string& text) { return 7.5 * static_cast<double>(text.size()); }

// Where an item's text begins, after its mark.
double markSpace(Mark mark) {
    switch (mark) {
        case Mark::Dot:
        case Mark::Ring: return 14;
        case Mark::Cross: return 16;
        case Mark::Line: return 30;
        default: return 0;
    }
}

// The legend's items in rows from left to right, wrapped at the figure's width.
struct LegendPlace {
    double x;
    double y;
};
std::vector<LegendPlace> legendPlaces(const std::vector<LegendItem>& items, double width) {
    std::vector<LegendPlace> places;
    double x = PlotLeft, y = LegendTop;
    for (const LegendItem& item : items) {
        const double scale = item.mark == Mark::Scale ? 6 + ScaleWidth + 6 + textWidth(item.style) : 0;
        const double itemWidth = markSpace(item.mark) + textWidth(item.text) + scale + 18;
        if (x > PlotLeft && x + itemWidth > width - 20) x = PlotLeft, y += LegendRow;
        places.push_back({x, y});
        x += itemWidth;
    }
    return places;
}

}  // namespace

double expectedEnc(double gc3) { return 2 + gc3 + 29 / (gc3 * gc3 + (1 - gc3) * (1 - gc3)); }

namespace {

struct PointLook {
    double radius;
    double opacity;
};

// Colours on a scale are drawn less see-through than the others, so that they can be told.
PointLook pointLook(const PlotData& data) {
    if (data.genomeMeans) return {4, 0.85};
    const bool scale = colourColumn(data.colour) != nullptr;
    if (data.points.size() > ManyPoints) return {1.7, scale ? 0.6 : 0.3};
    return data.points.size() > FewPoints ? PointLook{2.4, scale ? 0.8 : 0.5} : PointLook{3.2, 0.85};
}

ValueRange colourRange(const PlotData& data) {
    std::vector<double> values;
    for (const PlotPoint& p : data.points)
        if (p.hasValue) values.push_back(p.value);
    return percentileRange(std::move(values));
}

std::size_t markedPoints(const PlotData& data) {
    return static_cast<std::size_t>(
        std::count_if(data.points.begin(), data.points.end(), [](const PlotPoint& p) { return p.marked; }));
}

// The reference set's entry: how many of its genes the figure draws.
std::string referenceText(const PlotData& data) {
    const std::size_t marked = markedPoints(data);
    return data.referenceName + ": " + std::to_string(marked) + (marked == 1 ? " gene" : " genes") +
           (marked == 0 ? " of the set found in the file" : "");
}

std::string scaleEnd(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);  // short, however large
    return text;
}

// The legend's entries for the points.
std::vector<LegendItem> pointLegend(const PlotData& data, const ValueRange& range) {
    if (data.genomeMeans) return {{Mark::Dot, ForwardColour, "genome mean, numbered as in the key"}};
    std::vector<LegendItem> items;
    switch (data.colour) {
        case PointColour::Reference:
            return {{Mark::Dot, MarkedColour, referenceText(data)}, {Mark::Dot, UnmarkedColour, "other genes"}};
        case PointColour::Strand:
            items = {{Mark::Dot, ForwardColour, "forward strand"}, {Mark::Dot, ReverseColour, "reverse strand"}};
            break;
        case PointColour::None: items = {{Mark::Dot, ForwardColour, "gene"}}; break;
        default:
            const std::string name = colourColumn(data.colour);
            if (range.any) items = {{Mark::Scale, scaleEnd(range.high), name + " " + scaleEnd(range.low)}};
            else items = {{Mark::None, "", name + ": no gene has a value"}};
    }
    if (data.referenceSize > 0) items.push_back({Mark::Ring, "", referenceText(data)});
    return items;
}

void drawLegendMark(Svg& svg, const LegendItem& item, double x, double y) {
    const double middle = y - 4;
    switch (item.mark) {
        case Mark::Dot: svg.point(x + 5, middle, 3.5, item.style); break;
        case Mark::Ring: svg.raw("<circle cx=\"" + number(x + 5) + "\" cy=\"" + number(middle) +
                                 "\" r=\"4\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.2\"/>\n"); break;
        case Mark::Line: svg.line(x, middle, x + 24, middle, item.style); break;
        case Mark::Cross:
            svg.line(x + 1, middle, x + 11, middle, "stroke:#000;stroke-width:2");
            svg.line(x + 6, middle - 5, x + 6, middle + 5, "stroke:#000;stroke-width:2");
            break;
        case Mark::Scale:
        case Mark::None: break;
    }
    if (item.mark != Mark::Scale) return;
    // The scale after its name and low end: its ends are the 1st and 99th percentiles of the values.
    const double from = x + textWidth(item.text) + 6;
    constexpr int Steps = 16;
    for (int i = 0; i < Steps; ++i)  // each a little wider than its step, so that no seam shows between
        svg.rect(from + ScaleWidth / Steps * i, y - 11, ScaleWidth / Steps + 0.5, 12, scaleColour(i / (Steps - 1.0)));
    svg.label(from + ScaleWidth + 6, y, item.style, "start");
}

void drawLegend(Svg& svg, const std::vector<LegendItem>& items, double width) {
    const std::vector<LegendPlace> places = legendPlaces(items, width);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const LegendItem& item = items[i];
        const LegendPlace& at = places[i];
        drawLegendMark(svg, item, at.x, at.y);
        svg.label(at.x + markSpace(item.mark), at.y, item.text, "start");
    }
}

void drawAxes(Svg& svg, const Layout& layout, const Scale& sx, const Scale& sy, const PlotData& data) {
    svg.rect(PlotLeft, layout.plotTop, layout.plotWidth, PlotSide, "#ffffff");
    const char* grid = "stroke:#e3e3e3;stroke-width:1";
    const double bottom = layout.bottom(), right = PlotLeft + layout.plotWidth;
    const double xStep = tickStep(sx.range);
    for (const double v : tickValues(sx.range, xStep)) {
        svg.line(sx(v), layout.plotTop, sx(v), bottom, grid);
        svg.line(sx(v), bottom, sx(v), bottom + 5, AxisStyle);
        svg.label(sx(v), bottom + 20, tickText(v, xStep), "middle");
    }
    const double yStep = tickStep(sy.range);
    for (const double v : tickValues(sy.range, yStep)) {
        svg.line(PlotLeft, sy(v), right, sy(v), grid);
        svg.line(PlotLeft - 5, sy(v), PlotLeft, sy(v), AxisStyle);
        svg.label(PlotLeft - 9, sy(v) + 4, tickText(v, yStep), "end");
    }
    svg.line(PlotLeft, bottom, right, bottom, AxisStyle);
    svg.line(PlotLeft, layout.plotTop, PlotLeft, bottom, AxisStyle);
    svg.label(PlotLeft + layout.plotWidth / 2, bottom + 45, axisTitle(data.xLabel), "middle");
    const double middle = layout.plotTop + PlotSide / 2;
    svg.label(25, middle, axisTitle(data.yLabel), "middle", " transform=\"rotate(-90 25 " + number(middle) + ")\"");
}

void drawCurve(Svg& svg, const Scale& sx, const Scale& sy) {
    std::string points;
    for (int i = 0; i <= 200; ++i) {
        const double s = sx.range.at(i, 200);
        if (s < 0 || s > 1) continue;
        const double enc = std::clamp(expectedEnc(s), sy.range.low, sy.range.high);
        points += number(sx(s)) + "," + number(sy(enc)) + " ";
    }
    svg.raw("<polyline points=\"" + points + "\" style=\"fill:none;" + CurveStyle + "\"/>\n");
}

// The genes' y values in bins chosen from their number, as bars beside the plot.
void drawHistogram(Svg& svg, const Layout& layout, const PlotData& data, const Scale& sy) {
    std::vector<double> fractions;  // measured along the axis, so that any finite values are binned
    fractions.reserve(data.points.size());
    for (const auto& p : data.points) fractions.push_back(std::clamp(sy.range.fraction(p.y), 0.0, 1.0));
    const HistogramBins bins = histogramBins(fractions);
    std::vector<std::size_t> counts(bins.count);
    for (const double f : fractions) ++counts[bins.binOf(f)];
    const std::size_t most = std::max<std::size_t>(1, *std::max_element(counts.begin(), counts.end()));
    // One bin holds values all alike: a thin bar at their place.
    const double binHeight = bins.count == 1 ? 4 : PlotSide * bins.width;
    const double gap = binHeight > 4 ? 1 : 0;
    for (std::size_t b = 0; b < bins.count; ++b) {
        if (counts[b] == 0) continue;
        const double from = bins.count == 1 ? bins.low : bins.low + static_cast<double>(b) * bins.width;
        const double top = layout.bottom() - PlotSide * from - (bins.count == 1 ? binHeight / 2 : binHeight);
        const double length = SideWidth * static_cast<double>(counts[b]) / static_cast<double>(most);
        svg.rect(layout.sideLeft, top + gap / 2, length, binHeight - gap, "#8c8c8c");
    }
    const double bottom = layout.bottom(), left = layout.sideLeft;
    svg.line(left, layout.plotTop, left, bottom, AxisStyle);
    svg.line(left, bottom, left + SideWidth, bottom, AxisStyle);
    svg.label(left, bottom + 20, "0", "middle");
    svg.label(left + SideWidth, bottom + 20, std::to_string(most), "middle");
    svg.label(left + SideWidth / 2, bottom + 45,
              "genes per bin of " + data.yLabel + " (" + std::to_string(bins.count) + " bins)", "middle");
}

// A genome's name in the key: at most KeyNameLength bytes, cut at a character's start.
std::string keyName(const PlotData& data, std::size_t i) {
    if (i >= data.names.size() || data.names[i].empty()) return "(no name)";
    std::string name = data.names[i];
    if (name.size() <= KeyNameLength) return name;
    std::size_t cut = KeyNameLength;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut) + "\u2026";
}

// The genomes of the points, by number.
void drawKey(Svg& svg, const Layout& layout, const PlotData& data) {
    svg.label(layout.sideLeft, layout.plotTop + 12, "Genomes", "start", " font-weight=\"bold\"");
    for (std::size_t i = 0; i < data.points.size(); ++i) {
        const double y = layout.plotTop + 12 + KeyRow * static_cast<double>(i + 1);
        svg.label(layout.sideLeft + KeyNumberWidth - 8, y, std::to_string(i + 1), "end", " font-weight=\"bold\"");
        svg.label(layout.sideLeft + KeyNumberWidth, y, keyName(data, i), "start");
    }
}

// The entries of the lines and marks drawn over the points.
std::vector<LegendItem> lineLegend(const PlotData& data, const std::optional<Regression>& fit,
                                   const std::optional<PlotPoint>& mean) {
    std::vector<LegendItem> items;
    if (data.figure == Figure::Enc && data.yLabel == "ENC")
        items.push_back({Mark::Line, CurveStyle,
                         "expected ENC = 2 + s + 29/(s\u00b2 + (1 \u2212 s)\u00b2), s = " + data.xLabel});
    if (data.figure == Figure::Neutrality) {
        items.push_back({Mark::Line, DashedStyle, "GC12 = GC3 (neutrality)"});
        char text[160];
        if (fit) std::snprintf(text, sizeof text, "least squares: slope %.3f, R\u00b2 = %.3f", fit->slope, fit->r2);
        else if (data.points.size() < MinRegressionPoints)
            std::snprintf(text, sizeof text, "no regression line: %zu %s, fewer than %zu", data.points.size(),
                          data.genomeMeans ? "genomes" : "genes", MinRegressionPoints);
        else std::snprintf(text, sizeof text, "no regression line: the values are too large or all alike");
        items.push_back({fit ? Mark::Line : Mark::None, FitStyle, text});
    }
    if (data.figure == Figure::Pr2) {
        items.push_back({Mark::Line, DashedStyle, "0.5: no bias within A/T or G/C"});
        if (mean)
            items.push_back({Mark::Cross, "", "mean: A3/(A3+T3) = " + number(mean->x, 3) + ", G3/(G3+C3) = " +
                                                  number(mean->y, 3)});
    }
    return items;
}

void drawNeutralityLines(Svg& svg, const PlotData& data, const Scale& sx, const Scale& sy,
                         const std::optional<Regression>& fit) {
    // The axes share one range, so the diagonal runs corner to corner at 45 degrees.
    svg.line(sx(sx.range.low), sy(sy.range.low), sx(sx.range.high), sy(sy.range.high), DashedStyle);
    if (!fit) return;
    double xLow = data.points.front().x, xHigh = xLow;
    for (const auto& p : data.points) xLow = std::min(xLow, p.x), xHigh = std::max(xHigh, p.x);
    const double yLow = fit->intercept + fit->slope * xLow, yHigh = fit->intercept + fit->slope * xHigh;
    if (!std::isfinite(yLow) || !std::isfinite(yHigh)) return;  // values too large for a line
    svg.line(sx(xLow), sy(yLow), sx(xHigh), sy(yHigh), FitStyle);
}

void drawCentreLines(Svg& svg, const Scale& sx, const Scale& sy) {
    svg.line(sx(0.5), sy(sy.range.low), sx(0.5), sy(sy.range.high), DashedStyle);
    svg.line(sx(sx.range.low), sy(0.5), sx(sx.range.high), sy(0.5), DashedStyle);
}

// A cross with a white edge, over the points.
void drawMean(Svg& svg, const Scale& sx, const Scale& sy, const std::optional<PlotPoint>& mean) {
    if (!mean) return;
    const double x = sx(mean->x), y = sy(mean->y);
    for (const auto& [width, colour] : {std::pair{5.0, "#fff"}, {2.2, "#000"}}) {
        const std::string style = std::string("stroke:") + colour + ";stroke-width:" + number(width, 1);
        svg.line(x - 8, y, x + 8, y, style);
        svg.line(x, y - 8, x, y + 8, style);
    }
}

std::string pointFill(const PlotData& data, const PlotPoint& p, const ValueRange& range) {
    switch (data.colour) {
        case PointColour::Strand: return p.reverse ? ReverseColour : ForwardColour;
        case PointColour::Cai:
        case PointColour::Fop:
        case PointColour::Gc3: return p.hasValue ? scaleColour(range.fraction(p.value)) : NoValueColour;
        default: return "";
    }
}

// The genes in file order, then the reference genes over them: filled dark points when the
// colour is the set's, else rings around the coloured points.
void drawPoints(Svg& svg, const PlotData& data, const Scale& sx, const Scale& sy, const ValueRange& range) {
    const PointLook look = pointLook(data);
    const bool reference = data.colour == PointColour::Reference;
    svg.raw(std::string("<g fill=\"") + (reference ? UnmarkedColour : ForwardColour) + "\" fill-opacity=\"" +
            number(look.opacity) + "\">\n");
    for (const PlotPoint& p : data.points)
        if (!(reference && p.marked)) svg.point(sx(p.x), sy(p.y), look.radius, pointFill(data, p, range));
    svg.raw("</g>\n");
    if (data.referenceSize == 0 || data.genomeMeans) return;
    svg.raw(reference ? std::string("<g fill=\"") + MarkedColour + "\" stroke=\"#fff\" stroke-width=\"0.6\">\n"
                      : "<g fill=\"none\" stroke=\"#000\" stroke-width=\"1.1\">\n");
    for (const PlotPoint& p : data.points)
        if (p.marked) svg.point(sx(p.x), sy(p.y), look.radius + (reference ? 1.2 : 2));
    svg.raw("</g>\n");
}

void drawGenomeNumbers(Svg& svg, const PlotData& data, const Scale& sx, const Scale& sy) {
    for (std::size_t i = 0; i < data.points.size(); ++i)
        svg.label(sx(data.points[i].x) + 6, sy(data.points[i].y) - 5, std::to_string(i + 1), "start",
                  " font-size=\"11\" font-weight=\"bold\"");
}

Layout layoutOf(const PlotData& data, double legendRows) {
    Layout layout;
    const bool square = data.figure != Figure::Enc;
    layout.plotWidth = square ? PlotSide : EncPlotWidth;
    layout.plotTop = LegendTop + LegendRow * legendRows + 6;
    layout.sideLeft = PlotLeft + layout.plotWidth + SideGap;
    layout.width = layout.sideLeft + SideWidth + SideGap;
    layout.height = layout.bottom() + Bottom;
    if (!data.genomeMeans) return layout;
    // The key is as long as the genomes are many, and as wide as their longest name.
    const double keyBottom = layout.plotTop + 12 + KeyRow * static_cast<double>(data.points.size() + 1) + 20;
    layout.height = std::max(layout.height, keyBottom);
    for (std::size_t i = 0; i < data.points.size(); ++i)
        layout.width = std::max(layout.width, layout.sideLeft + KeyNumberWidth + textWidth(keyName(data, i)) + 20);
    return layout;
}

// The x and y axes: the usual range of each index widened to hold the values; one range
// for both where the figure compares like with like (the diagonal of the neutrality plot).
std::pair<Range, Range> axisRanges(const PlotData& data) {
    Range x = axisRange(data.xLabel, data.points, true), y = axisRange(data.yLabel, data.points, false);
    if (data.figure == Figure::Enc) return {x, y};
    const Range both{std::min(x.low, y.low), std::max(x.high, y.high)};
    return {both, both};
}

}  // namespace

std::string renderSvg(const PlotData& data, const std::string& title) {
    const std::optional<Regression> fit = data.figure == Figure::Neutrality ? drawnRegression(data.points) : std::nullopt;
    const std::optional<PlotPoint> mean =
        data.figure == Figure::Pr2 && !data.points.empty() ? std::optional(meanPoint(data.points)) : std::nullopt;
    const ValueRange range = colourRange(data);
    std::vector<LegendItem> legend = pointLegend(data, range);
    for (LegendItem& item : lineLegend(data, fit, mean)) legend.push_back(std::move(item));
    const double width = layoutOf(data, 0).width;
    const std::vector<LegendPlace> places = legendPlaces(legend, width);
    const Layout layout = layoutOf(data, places.empty() ? 0 : (places.back().y - LegendTop) / LegendRow + 1);
    const auto [xRange, yRange] = axisRanges(data);
    const Scale sx{xRange, PlotLeft, layout.plotWidth, false};
    const Scale sy{yRange, layout.plotTop, PlotSide, true};

    Svg svg;
    svg.raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
            number(layout.width, 0) + "\" height=\"" + number(layout.height, 0) + "\" viewBox=\"0 0 " +
            number(layout.width, 0) + " " + number(layout.height, 0) +
            "\" font-family=\"sans-serif\" font-size=\"13\">\n");
    svg.rect(0, 0, layout.width, layout.height, "#f7f7f7");
    const std::string unit = data.genomeMeans ? " genomes" : " genes";
    svg.label(layout.width / 2, TitleY, title + ": " + std::to_string(data.points.size()) + unit, "middle",
              " font-size=\"17\" font-weight=\"bold\"");
    drawLegend(svg, legend, layout.width);
    drawAxes(svg, layout, sx, sy, data);
    if (data.figure == Figure::Enc && data.yLabel == "ENC") drawCurve(svg, sx, sy);
    if (data.figure == Figure::Pr2) drawCentreLines(svg, sx, sy);
    drawPoints(svg, data, sx, sy, range);
    if (data.figure == Figure::Neutrality) drawNeutralityLines(svg, data, sx, sy, fit);
    drawMean(svg, sx, sy, mean);
    if (data.genomeMeans) drawGenomeNumbers(svg, data, sx, sy), drawKey(svg, layout, data);
    else drawHistogram(svg, layout, data, sy);
    if (data.leftOut > 0)
        svg.label(PlotLeft, layout.bottom() + Bottom - 14,
                  std::to_string(data.leftOut) + " of " + std::to_string(data.genes) + unit +
                      " left out: no value for " + data.xLabel + " or " + data.yLabel,
                  "start");
    svg.raw("</svg>\n");
    return svg.text();
}

}  // namespace kestrel
