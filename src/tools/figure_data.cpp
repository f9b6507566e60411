// The points of the neutrality and parity rule 2 figures, and the regression line.
#include <cmath>

#include "tools/enc_plot.hpp"
#include "tools/codon_count_columns.hpp"

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

namespace {

// One point per row from pointOf (x and y, or no value to leave the row out).
template <typename PointOf>
PlotData collectPoints(KstlReader& reader, Figure figure, const char* xLabel, const char* yLabel, PointOf pointOf) {
    PlotData data;
    data.figure = figure;
    data.xLabel = xLabel;
    data.yLabel = yLabel;
    const std::size_t strand = columnOf(reader, "Strand");
    std::vector<KstlCell> cells;
    while (reader.nextRow(cells)) {
        if (const std::optional<std::pair<double, double>> xy = pointOf(cells))
            data.points.push_back({xy->first, xy->second, cells[strand].text == "Reverse"});
        else ++data.leftOut;
    }
    data.genes = reader.rowsRead();
    return data;
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

}  // namespace

PlotData collectNeutralityData(KstlReader& reader) {
    const std::size_t gc1 = columnOf(reader, "GC1"), gc2 = columnOf(reader, "GC2"), gc3 = columnOf(reader, "GC3");
    return collectPoints(reader, Figure::Neutrality, "GC3", "GC12",
                         [&](const std::vector<KstlCell>& cells) -> std::optional<std::pair<double, double>> {
                             const auto x = numericValue(cells[gc3]), y1 = numericValue(cells[gc1]),
                                        y2 = numericValue(cells[gc2]);
                             if (!(x && y1 && y2)) return std::nullopt;
                             return std::pair{*x, *y1 / 2 + *y2 / 2};  // a sum could overflow
                         });
}

PlotData collectPr2Data(KstlReader& reader) {
    const auto counts = codonCountColumns(reader);
    const auto shares = fourfoldColumns(reader);
    if (!counts && !shares)
        throw KstlError(reader.name() + ": has neither codon counts nor A3_6 ... C3_6 columns (codon usage output or "
                                        "the degeneracy breakdown with base usage)");
    const GeneticCode code = geneticCodeOf(reader.geneticCode()).value_or(StandardCode);
    return collectPoints(reader, Figure::Pr2, "A3/(A3+T3)", "G3/(G3+C3)",
                         [&](const std::vector<KstlCell>& cells) -> std::optional<std::pair<double, double>> {
                             const auto bases = fourfoldShares(reader, cells, counts, shares, code);
                             if (!bases) return std::nullopt;
                             const double at = (*bases)[0] + (*bases)[3], gc = (*bases)[1] + (*bases)[2];
                             if (at <= 0 || gc <= 0) return std::nullopt;
                             const double a = (*bases)[0] / at, g = (*bases)[1] / gc;
                             if (!std::isfinite(a) || !std::isfinite(g)) return std::nullopt;
                             return std::pair{a, g};
                         });
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

void addGenomeMean(PlotData& means, const PlotData& file) {
    means.figure = file.figure;
    means.xLabel = file.xLabel;
    means.yLabel = file.yLabel;
    means.genomeMeans = true;
    ++means.genes;
    if (file.points.empty()) {
        ++means.leftOut;
        return;
    }
    means.points.push_back({meanOf(file.points, &PlotPoint::x), meanOf(file.points, &PlotPoint::y), false});
}

}  // namespace kestrel
