// The data of the figures: the points of each gene row with what marks them, the regression
// line and the bins of the histograms.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string_view>
#include <unordered_set>

#include "tools/codon_count_columns.hpp"
#include "tools/enc_plot.hpp"
#include "tools/lookup_builder.hpp"

namespace kestrel {

namespace {

std::size_t columnOf(const KstlReader& reader, const std::string& label) {
    const auto index = reader.columnIndex(label);
    if (!index) throw KstlError(reader.name() + ": has no " + label + " column");
    return *index;
}

// The A, G, C and T shares of fourfold sites from the A3_6 ... C3_6 columns; no value for a
// file without them.
std::optional<std::array<std::size_t, 4>> fourfoldColumns(const KstlReader& reader) {
    std::array<std::size_t, 4> columns{};
    for (int b = 0; b < 4; ++b) {
        const auto index = reader.columnIndex(std::string(1, BaseLetters[b]) + "3_6");
        if (!index) return std::nullopt;
        columns[static_cast<std::size_t>(b)] = *index;
    }
    return columns;
}

}  // namespace

std::optional<Regression> leastSquares(const std::vector<PlotPoint>& points) {
    if (points.size() < 2) return std::nullopt;
    double mx = 0, my = 0;
    for (const auto& p : points) mx += p.x, my += p.y;
    mx /= static_cast<double>(points.size());
    my /= static_cast<double>(points.size());
    double sxx = 0, sxy = 0, syy = 0;
    for (const auto& p : points) {
        sxx += (p.x - mx) * (p.x - mx);
        sxy += (p.x - mx) * (p.y - my);
        syy += (p.y - my) * (p.y - my);
    }
    if (sxx <= 0) return std::nullopt;
    Regression line;
    line.slope = sxy / sxx;
    line.intercept = my - line.slope * mx;
    line.r2 = syy > 0 ? sxy * sxy / (sxx * syy) : 1;
    // Values near the largest double overflow the sums: no line then.
    if (!std::isfinite(line.slope) || !std::isfinite(line.intercept) || !std::isfinite(line.r2)) return std::nullopt;
    return line;
}

const char* colourColumn(PointColour colour) {
    switch (colour) {
        case PointColour::Cai: return "CAI";
        case PointColour::Fop: return "Fop";
        case PointColour::Gc3: return "GC3";
        default: return nullptr;
    }
}

std::optional<Regression> drawnRegression(const std::vector<PlotPoint>& points) {
    if (points.size() < MinRegressionPoints) return std::nullopt;
    return leastSquares(points);
}

std::size_t HistogramBins::binOf(double value) const {
    const double at = (value - low) / width;
    if (!(at > 0)) return 0;  // NaN included
    return std::min(count - 1, at >= static_cast<double>(count) ? count - 1 : static_cast<std::size_t>(at));
}

namespace {

// The q quantile of sorted values, interpolated between neighbours.
double quantile(const std::vector<double>& sorted, double q) {
    const double at = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(at);
    const double next = sorted[std::min(below + 1, sorted.size() - 1)];
    return sorted[below] + (at - static_cast<double>(below)) * (next - sorted[below]);
}

}  // namespace

HistogramBins histogramBins(std::vector<double> values) {
    HistogramBins bins;
    std::erase_if(values, [](double v) { return !std::isfinite(v); });
    if (values.empty()) return bins;
    std::sort(values.begin(), values.end());
    bins.low = values.front();
    const double span = values.back() - values.front();
    if (!(span > 0) || !std::isfinite(span)) {
        bins.width = span > 0 ? std::numeric_limits<double>::max() : 1;  // one bin holds them all
        return bins;
    }
    const auto n = static_cast<double>(values.size());
    const double iqr = quantile(values, 0.75) - quantile(values, 0.25);
    const double wanted = iqr > 0 ? span / (2 * iqr / std::cbrt(n)) : std::log2(n) + 1;
    bins.count = static_cast<std::size_t>(
        std::clamp(std::ceil(wanted), static_cast<double>(MinHistogramBins), static_cast<double>(MaxHistogramBins)));
    bins.width = span / static_cast<double>(bins.count);
    return bins;
}

namespace {

// What one figure takes from a row: its point, or no value to leave the row out.
struct FigureSource {
    Figure figure = Figure::Enc;
    std::string xLabel;
    std::string yLabel;
    std::function<std::optional<std::pair<double, double>>(const std::vector<KstlCell>&)> pointOf;
};

FigureSource encSource(const KstlReader& reader, const std::optional<std::string>& xLabel, const std::string& yLabel) {
    FigureSource source{Figure::Enc, xLabel ? *xLabel : reader.columnIndex("GC3_6") ? "GC3_6" : "GC3", yLabel, {}};
    const std::size_t x = columnOf(reader, source.xLabel), y = columnOf(reader, source.yLabel);
    source.pointOf = [x, y](const std::vector<KstlCell>& cells) -> std::optional<std::pair<double, double>> {
        const auto vx = numericValue(cells[x]), vy = numericValue(cells[y]);
        if (!(vx && vy)) return std::nullopt;
        return std::pair{*vx, *vy};
    };
    return source;
}

FigureSource neutralitySource(const KstlReader& reader) {
    const std::size_t gc1 = columnOf(reader, "GC1"), gc2 = columnOf(reader, "GC2"), gc3 = columnOf(reader, "GC3");
    return {Figure::Neutrality, "GC3", "GC12",
            [=](const std::vector<KstlCell>& cells) -> std::optional<std::pair<double, double>> {
                const auto x = numericValue(cells[gc3]), y1 = numericValue(cells[gc1]), y2 = numericValue(cells[gc2]);
                if (!(x && y1 && y2)) return std::nullopt;
                return std::pair{*x, *y1 / 2 + *y2 / 2};  // a sum could overflow
            }};
}

// The shares of A, G, C and T at fourfold sites of one row.
std::optional<BaseFrequencies> fourfoldShares(const KstlReader& reader, const std::vector<KstlCell>& cells,
                                             const std::optional<CodonCountColumns>& counts,
                                             const std::optional<std::array<std::size_t, 4>>& shares,
                                             const GeneticCode& code) {
    if (counts) return fourfoldThirdPositions(codonCountsOf(reader, cells, *counts), code);
    BaseFrequencies bases{};
    for (std::size_t b = 0; b < 4; ++b) {
        const auto share = numericValue(cells[(*shares)[b]]);
        if (!share) return std::nullopt;
        bases[b] = *share;
    }
    return bases;
}

// No value for a file with neither codon counts nor the A3_6 ... C3_6 columns.
std::optional<FigureSource> pr2Source(const KstlReader& reader) {
    const auto counts = codonCountColumns(reader);
    const auto shares = fourfoldColumns(reader);
    if (!counts && !shares) return std::nullopt;
    const GeneticCode code = geneticCodeOf(reader.geneticCode()).value_or(StandardCode);
    return FigureSource{
        Figure::Pr2, "A3/(A3+T3)", "G3/(G3+C3)",
        [&reader, counts, shares, code](const std::vector<KstlCell>& cells) -> std::optional<std::pair<double, double>> {
            const auto bases = fourfoldShares(reader, cells, counts, shares, code);
            if (!bases) return std::nullopt;
            const double at = (*bases)[0] + (*bases)[3], gc = (*bases)[1] + (*bases)[2];
            if (at <= 0 || gc <= 0) return std::nullopt;
            const double a = (*bases)[0] / at, g = (*bases)[1] / gc;
            if (!std::isfinite(a) || !std::isfinite(g)) return std::nullopt;
            return std::pair{a, g};
        }};
}

// Names looked up by the view of a cell, without a copy.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;

// What marks a gene's point besides its place: its strand, its membership of the reference
// set and the index it is coloured by.
class RowMarks {
public:
    RowMarks(const KstlReader& reader, const FigureOptions& options)
        : strand_(columnOf(reader, "Strand")),
          gene_(columnOf(reader, "Gene")),
          colour_(options.colour.value_or(options.referenceGenes.empty() ? PointColour::None : PointColour::Reference)),
          referenceName_(options.referenceName) {
        if (const char* label = colourColumn(colour_)) value_ = columnOf(reader, label);
        // The names as the analysis writes them in the Gene column.
        for (const std::string& name : options.referenceGenes) names_.insert(lookup::readableGeneName(name));
        referenceSize_ = options.referenceGenes.size();
    }
    void mark(const std::vector<KstlCell>& cells, PlotPoint& point) const {
        point.reverse = cells[strand_].text == "Reverse";
        point.marked = !names_.empty() && names_.contains(cells[gene_].text);
        const std::optional<double> value = value_ ? numericValue(cells[*value_]) : std::nullopt;
        point.hasValue = value.has_value();
        point.value = value.value_or(0);
    }
    void describe(PlotData& data) const {
        data.colour = colour_;
        data.referenceName = referenceName_;
        data.referenceSize = referenceSize_;
    }

private:
    std::size_t strand_;
    std::size_t gene_;
    PointColour colour_;
    std::string referenceName_;
    std::size_t referenceSize_ = 0;
    std::optional<std::size_t> value_;
    NameSet names_;
};

// One reading of the rows for the figures of every source.
std::vector<PlotData> collectFigures(KstlReader& reader, const std::vector<FigureSource>& sources,
                                     const FigureOptions& options) {
    const RowMarks marks(reader, options);
    std::vector<PlotData> figures(sources.size());
    for (std::size_t f = 0; f < sources.size(); ++f) {
        figures[f].figure = sources[f].figure;
        figures[f].xLabel = sources[f].xLabel;
        figures[f].yLabel = sources[f].yLabel;
        marks.describe(figures[f]);
    }
    std::vector<KstlCell> cells;
    PlotPoint point;
    while (reader.nextRow(cells)) {
        marks.mark(cells, point);
        for (std::size_t f = 0; f < sources.size(); ++f) {
            if (const auto xy = sources[f].pointOf(cells)) {
                point.x = xy->first;
                point.y = xy->second;
                figures[f].points.push_back(point);
            } else {
                ++figures[f].leftOut;
            }
        }
    }
    for (PlotData& figure : figures) figure.genes = reader.rowsRead();
    return figures;
}

}  // namespace

PlotData collectPlotData(KstlReader& reader, const std::optional<std::string>& xLabel, const std::string& yLabel,
                         const FigureOptions& options) {
    return std::move(collectFigures(reader, {encSource(reader, xLabel, yLabel)}, options).front());
}

PlotData collectNeutralityData(KstlReader& reader, const FigureOptions& options) {
    return std::move(collectFigures(reader, {neutralitySource(reader)}, options).front());
}

PlotData collectPr2Data(KstlReader& reader, const FigureOptions& options) {
    std::optional<FigureSource> source = pr2Source(reader);
    if (!source)
        throw KstlError(reader.name() + ": has neither codon counts nor A3_6 ... C3_6 columns (codon usage output or "
                                        "the degeneracy breakdown with base usage)");
    return std::move(collectFigures(reader, {std::move(*source)}, options).front());
}

GenomeFigures collectGenomeFigures(KstlReader& reader, const FigureOptions& options) {
    std::vector<FigureSource> sources{encSource(reader, std::nullopt, "ENC"), neutralitySource(reader)};
    if (std::optional<FigureSource> pr2 = pr2Source(reader)) sources.push_back(std::move(*pr2));
    std::vector<PlotData> figures = collectFigures(reader, sources, options);
    GenomeFigures genome{std::move(figures[0]), std::move(figures[1]), std::nullopt};
    if (figures.size() > 2) genome.pr2 = std::move(figures[2]);
    return genome;
}

namespace {

// The mean of one coordinate; where the sum would overflow, the sum of each value's share.
double meanOf(const std::vector<PlotPoint>& points, double PlotPoint::*coordinate) {
    const auto n = static_cast<double>(points.size());
    double sum = 0;
    for (const auto& p : points) sum += p.*coordinate;
    if (std::isfinite(sum)) return sum / n;
    sum = 0;
    for (const auto& p : points) sum += p.*coordinate / n;
    return sum;
}

}  // namespace

PlotPoint meanPoint(const std::vector<PlotPoint>& points) {
    PlotPoint mean;
    mean.x = meanOf(points, &PlotPoint::x);
    mean.y = meanOf(points, &PlotPoint::y);
    return mean;
}

void addGenomeMean(PlotData& means, const PlotData& file, const std::string& name) {
    means.figure = file.figure;
    means.xLabel = file.xLabel;
    means.yLabel = file.yLabel;
    means.genomeMeans = true;
    ++means.genes;
    if (file.points.empty()) {
        ++means.leftOut;
        return;
    }
    means.points.push_back(meanPoint(file.points));
    means.names.resize(means.points.size() - 1);  // a figure whose earlier points have no name
    means.names.push_back(name);
}

}  // namespace kestrel
