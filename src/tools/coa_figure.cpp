#include "tools/coa_figure.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "tools/coa_tables.hpp"
#include "tools/svg_style.hpp"

namespace kestrel {

namespace {

constexpr double Top = 70;
constexpr double PanelHeight = 440;
constexpr double GenesLeft = 80;
constexpr double GenesWidth = 480;
constexpr double CodonsLeft = GenesLeft + GenesWidth + 70;
constexpr double CodonsWidth = 380;
constexpr double GridCell = 4;  // pixels of a cell when the genes are too many to draw one by one
constexpr const char* GcEndingColour = "#1f5fa8";
constexpr const char* AtEndingColour = "#c4531b";

struct Span {
    double low = 0;
    double high = 0;
    bool any = false;
    void include(double v) {
        low = any ? std::min(low, v) : v;
        high = any ? std::max(high, v) : v;
        any = true;
    }
};

// A panel: data coordinates to pixels, one unit the same length on both axes, so that
// distances on the map mean what they mean in the analysis.
struct Panel {
    double left, width;
    Span x, y;
    double unit = 1;  // pixels per data unit
    double px(double v) const { return left + (v - x.low) * unit; }
    double py(double v) const { return Top + PanelHeight - (v - y.low) * unit; }
};

Panel panelAround(double left, double width, Span x, Span y) {
    const auto widen = [](Span& s) {
        if (!s.any) s = {-1, 1, true};
        const double pad = std::max(0.05 * (s.high - s.low), 1e-6);
        s.low -= pad;
        s.high += pad;
    };
    widen(x);
    widen(y);
    Panel panel{left, width, x, y, 1};
    panel.unit = std::min(width / (x.high - x.low), PanelHeight / (y.high - y.low));
    // Centre the shorter axis' range on the panel.
    const double extraX = (width / panel.unit - (x.high - x.low)) / 2;
    const double extraY = (PanelHeight / panel.unit - (y.high - y.low)) / 2;
    panel.x = {x.low - extraX, x.high + extraX, true};
    panel.y = {y.low - extraY, y.high + extraY, true};
    return panel;
}

std::string axisTitle(const CoaFigure& figure, int which) {
    if (!figure.present[which])
        return "Axis " + std::to_string(figure.axes[which] + 1) + ": none, the analysis has one axis";
    return "Axis " + std::to_string(figure.axes[which] + 1) + " (" + fixed(100 * figure.shares[which], 1) +
           "% of the inertia)";
}

void drawFrame(SvgText& svg, const Panel& p, const CoaFigure& figure) {
    svg.box(p.left, Top, p.width, PanelHeight, "#ffffff", " stroke=\"#000\"");
    const char* grid = "stroke:#e3e3e3;stroke-width:1";
    const double bottom = Top + PanelHeight;
    const double xStep = tickStep(p.x.high - p.x.low), yStep = tickStep(p.y.high - p.y.low);
    for (double v = std::ceil(p.x.low / xStep) * xStep; v <= p.x.high; v += xStep) {
        svg.line(p.px(v), Top, p.px(v), bottom, grid);
        svg.text(p.px(v), bottom + 16, fixed(std::abs(v) < xStep / 1e6 ? 0.0 : v, xStep < 0.1 ? 2 : 1));
    }
    for (double v = std::ceil(p.y.low / yStep) * yStep; v <= p.y.high; v += yStep) {
        svg.line(p.left, p.py(v), p.left + p.width, p.py(v), grid);
        svg.text(p.left - 6, p.py(v) + 4, fixed(std::abs(v) < yStep / 1e6 ? 0.0 : v, yStep < 0.1 ? 2 : 1),
                 "text-anchor=\"end\"");
    }
    const char* zero = "stroke:#555;stroke-width:1;stroke-dasharray:4,3";
    if (p.x.low < 0 && p.x.high > 0) svg.line(p.px(0), Top, p.px(0), bottom, zero);
    if (p.y.low < 0 && p.y.high > 0) svg.line(p.left, p.py(0), p.left + p.width, p.py(0), zero);
    svg.text(p.left + p.width / 2, bottom + 38, axisTitle(figure, 0));
    const double middle = Top + PanelHeight / 2, x = p.left - 52;
    svg.text(x, middle, axisTitle(figure, 1),
             "text-anchor=\"middle\" transform=\"rotate(-90 " + fixed(x) + " " + fixed(middle) + ")\"");
}

std::string pointColour(const CoaFigure& figure, const ValueRange& range, const CoaFigurePoint& g) {
    if (figure.colour == CoaColour::ReferenceSet) return g.marked ? MarkedColour : UnmarkedColour;
    if (!g.hasValue) return NoValueColour;
    return scaleColour(range.fraction(g.value));
}

// Drawn in three layers, so that the genes that matter are not hidden: those without a
// value, the others, the reference genes.
void drawPoints(SvgText& svg, const Panel& p, const CoaFigure& figure, const ValueRange& range) {
    svg.add("<g fill-opacity=\"0.6\">");
    for (int layer = 0; layer < 3; ++layer)
        for (const CoaFigurePoint& g : figure.genes) {
            const int own = figure.colour == CoaColour::ReferenceSet ? (g.marked ? 2 : 1) : (g.hasValue ? 1 : 0);
            if (own == layer) svg.dot(p.px(g.x), p.py(g.y), pointColour(figure, range, g));
        }
    svg.add("</g>");
}

struct GridCellSum {
    std::size_t genes = 0;
    std::size_t valued = 0;  // genes with a value (or in the reference set)
    double sum = 0;
};

void drawGrid(SvgText& svg, const Panel& p, const CoaFigure& figure, const ValueRange& range) {
    const auto columns = static_cast<std::size_t>(p.width / GridCell), rows = static_cast<std::size_t>(PanelHeight / GridCell);
    std::vector<GridCellSum> cells(columns * rows);
    for (const CoaFigurePoint& g : figure.genes) {
        const auto cx = std::min(columns - 1, static_cast<std::size_t>(std::max(0.0, (p.px(g.x) - p.left) / GridCell)));
        const auto cy = std::min(rows - 1, static_cast<std::size_t>(std::max(0.0, (p.py(g.y) - Top) / GridCell)));
        GridCellSum& cell = cells[cy * columns + cx];
        ++cell.genes;
        const bool counted = figure.colour == CoaColour::ReferenceSet ? g.marked : g.hasValue;
        cell.valued += counted ? 1 : 0;
        cell.sum += figure.colour == CoaColour::ReferenceSet || !counted ? 0.0 : g.value;
    }
    std::size_t most = 1;
    for (const GridCellSum& c : cells) most = std::max(most, c.genes);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const GridCellSum& c = cells[i];
        if (c.genes == 0) continue;
        std::string fill = NoValueColour;
        if (figure.colour == CoaColour::ReferenceSet) fill = c.valued > 0 ? MarkedColour : UnmarkedColour;
        else if (c.valued > 0)
            fill = scaleColour(range.fraction(c.sum / static_cast<double>(c.valued)));
        const double opacity = 0.25 + 0.75 * std::log1p(double(c.genes)) / std::log1p(double(most));
        svg.box(p.left + (i % columns) * GridCell, Top + (i / columns) * GridCell, GridCell, GridCell, fill,
                " fill-opacity=\"" + fixed(opacity) + "\"");
    }
}

}  // namespace

CoaFigure coaFigureFrame(const CoaAxes& fit, std::array<std::size_t, 2> axes, CoaColour colour, CodonLabels labels) {
    CoaFigure figure;
    figure.axes = axes;
    figure.colour = colour;
    figure.labels = labels;
    // An axis the analysis lacks is drawn at 0.
    const auto principal = [&](std::size_t j, std::size_t k) { return k < fit.axes() ? fit.columnPrincipal(j, k) : 0.0; };
    for (int i = 0; i < 2; ++i) {
        figure.present[i] = axes[i] < fit.axes();
        figure.shares[i] = figure.present[i] ? fit.eigenvalues[axes[i]] / fit.totalInertia : 0.0;
    }
    for (std::size_t j = 0; j < fit.columns.size(); ++j) {
        if (!fit.columnUsed(j)) continue;
        const bool aminoAcids = fit.columns.variant == CoaVariant::AminoAcids;
        figure.columns.push_back({coaColumnLabel(fit.columns, j), principal(j, axes[0]), principal(j, axes[1]),
                                  aminoAcids ? -1 : fit.columns.items[j] % 4});
    }
    return figure;
}

namespace {

void drawLabels(SvgText& svg, const Panel& p, const CoaFigure& figure) {
    for (const CoaFigureLabel& l : figure.columns) {
        const char* colour = l.thirdBase < 0 ? "#222" : (l.thirdBase == 1 || l.thirdBase == 2) ? GcEndingColour
                                                                                                : AtEndingColour;
        svg.text(p.px(l.x), p.py(l.y) + 3.5, l.text,
                 std::string("text-anchor=\"middle\" font-size=\"10\" font-weight=\"bold\" fill=\"") + colour + "\"");
    }
}

// Under the panels: what the colours of the genes and of the labels mean.
void drawLegend(SvgText& svg, const CoaFigure& figure, const ValueRange& range, std::size_t marked) {
    const double y = Top + PanelHeight + 70;
    double x = GenesLeft;
    if (figure.colour == CoaColour::ReferenceSet) {
        svg.dot(x + 4, y - 4, MarkedColour);
        svg.text(x + 12, y, "reference set (" + std::to_string(marked) + " genes)", "text-anchor=\"start\"");
        svg.dot(x + 4, y + 12, UnmarkedColour);
        svg.text(x + 12, y + 16, "other genes", "text-anchor=\"start\"");
    } else {
        const std::string name = figure.colour == CoaColour::Gc3 ? "GC3" : "CAI";
        svg.text(x, y, name + (range.any ? "" : ": no gene has a value"), "text-anchor=\"start\"");
        // The ends of the scale: the 1st and 99th percentiles.
        for (int i = 0; range.any && i < 20; ++i) svg.box(x + 40 + 8 * i, y - 11, 8, 12, scaleColour(i / 19.0));
        if (range.any) {
            svg.text(x + 40, y + 15, fixed(range.low, 3));
            svg.text(x + 200, y + 15, fixed(range.high, 3));
        }
    }
    if (figure.columns.empty() || figure.columns.front().thirdBase < 0) return;
    x = figure.labels == CodonLabels::Panel ? CodonsLeft : GenesLeft + 280;
    svg.text(x, y, "codons ending in G or C", std::string("text-anchor=\"start\" fill=\"") + GcEndingColour + "\"");
    svg.text(x, y + 16, "codons ending in A or T", std::string("text-anchor=\"start\" fill=\"") + AtEndingColour + "\"");
}

}  // namespace

std::string renderCoaSvg(const CoaFigure& figure) {
    const bool panel = figure.labels == CodonLabels::Panel;
    const double width = panel ? CodonsLeft + CodonsWidth + 30 : GenesLeft + GenesWidth + 30;
    const double height = Top + PanelHeight + 100;
    Span gx, gy, cx, cy;
    for (const CoaFigurePoint& g : figure.genes) gx.include(g.x), gy.include(g.y);
    for (const CoaFigureLabel& l : figure.columns) cx.include(l.x), cy.include(l.y);
    if (!panel)
        for (const CoaFigureLabel& l : figure.columns) gx.include(l.x), gy.include(l.y);
    const Panel genes = panelAround(GenesLeft, GenesWidth, gx, gy);
    std::vector<double> values;
    for (const CoaFigurePoint& g : figure.genes)
        if (g.hasValue) values.push_back(g.value);
    const ValueRange range = percentileRange(std::move(values));
    std::size_t marked = 0;
    for (const CoaFigurePoint& g : figure.genes) marked += g.marked ? 1 : 0;

    SvgText svg;
    svg.open(width, height, "#f7f7f7");
    svg.text(width / 2, 30, figure.title, "text-anchor=\"middle\" font-size=\"16\" font-weight=\"bold\"");
    drawFrame(svg, genes, figure);
    if (figure.genes.size() > CoaFigureMostPoints) drawGrid(svg, genes, figure, range);
    else drawPoints(svg, genes, figure, range);
    if (panel) {
        const Panel codons = panelAround(CodonsLeft, CodonsWidth, cx, cy);
        drawFrame(svg, codons, figure);
        drawLabels(svg, codons, figure);
    } else {
        drawLabels(svg, genes, figure);
    }
    drawLegend(svg, figure, range, marked);
    svg.close();
    return svg.str();
}

}  // namespace kestrel
