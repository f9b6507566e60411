// The figures of output files, as self-contained SVG figures: one point per gene of a file,
// effective number of codons (or another index) against GC content at third positions,
// the neutrality plot (GC12 against GC3) or the parity rule 2 plot of fourfold sites.
// Each is collected from a KstlReader (a file, or an output held in memory) and rendered
// to the text of an SVG document.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "formats/kstl_reader.hpp"

namespace kestrel {

// ENC expected when GC3 alone, under mutation pressure, sets codon usage.
double expectedEnc(double gc3);

struct PlotPoint {
    double x = 0;
    double y = 0;
    bool reverse = false;
    bool marked = false;    // a gene of the reference set
    bool hasValue = false;  // value holds the index the points are coloured by
    double value = 0;
};

enum class Figure { Enc, Neutrality, Pr2 };

// What the colour of a point says: membership of the reference set (dark points over light
// ones), an index on a colour scale, the strand, or nothing.
enum class PointColour { Reference, Cai, Fop, Gc3, Strand, None };
// The column of the index a colour on a scale shows ("CAI", "Fop", "GC3"); null for the others.
const char* colourColumn(PointColour colour);

// The choices of a figure beyond its axes.
struct FigureOptions {
    // No value: PointColour::Reference where a set is given, else PointColour::None.
    std::optional<PointColour> colour;
    // The names of the reference set's genes (their /gene or /locus_tag, as the Gene column
    // shows them): these genes are marked in every colouring.
    std::vector<std::string> referenceGenes;
    std::string referenceName = "reference set";  // the set's name in the legend
};

struct PlotData {
    Figure figure = Figure::Enc;
    std::string xLabel;  // the column, or the quantity derived from the row
    std::string yLabel;
    std::vector<PlotPoint> points;
    std::size_t genes = 0;    // gene rows in the file (files, for genome means)
    bool genomeMeans = false;  // one point per file: the means of its genes
    std::size_t leftOut = 0;  // rows with a placeholder in either plotted column
    PointColour colour = PointColour::None;
    std::string referenceName;     // the set's name in the legend
    std::size_t referenceSize = 0;  // names in the reference set (0: no set)
    std::vector<std::string> names;  // genome means: the genome of each point, in order
};

// The least-squares line of y on x; no value for fewer than two distinct x.
struct Regression {
    double slope = 0;
    double intercept = 0;
    double r2 = 0;
};
std::optional<Regression> leastSquares(const std::vector<PlotPoint>& points);

// A regression line and its R² are drawn only through at least this many points.
inline constexpr std::size_t MinRegressionPoints = 10;
// The least-squares line where there are enough points for one (and it can be computed).
std::optional<Regression> drawnRegression(const std::vector<PlotPoint>& points);

// The bins of a histogram of values: count bins of equal width from low. The width follows
// the Freedman-Diaconis rule, 2 IQR / n^(1/3), the count bounded by MinHistogramBins and
// MaxHistogramBins (Sturges' count, log2(n) + 1, where the IQR is 0); values all alike
// make one bin.
inline constexpr std::size_t MinHistogramBins = 5;
inline constexpr std::size_t MaxHistogramBins = 50;
struct HistogramBins {
    double low = 0;
    double width = 1;
    std::size_t count = 1;
    // The bin of a value from low to low + count * width.
    std::size_t binOf(double value) const;
};
HistogramBins histogramBins(std::vector<double> values);

// Reads every gene row. Without an x label, GC3_6 is used when the file has it, else GC3.
// Throws KstlError when the file lacks a column asked for.
PlotData collectPlotData(KstlReader& reader, const std::optional<std::string>& xLabel, const std::string& yLabel,
                         const FigureOptions& options = {});
// GC12 = (GC1 + GC2)/2 against GC3.
PlotData collectNeutralityData(KstlReader& reader, const FigureOptions& options = {});
// G3/(G3 + C3) against A3/(A3 + T3) at fourfold-degenerate third positions, from the codon
// counts, or from the A3_6 ... C3_6 columns of a file without them. Throws KstlError when
// the file has neither.
PlotData collectPr2Data(KstlReader& reader, const FigureOptions& options = {});

// The three figures of one genome from one reading of its output: ENC against GC3_6 (or
// GC3), the neutrality plot, and the parity rule 2 plot where the file has what it needs.
struct GenomeFigures {
    PlotData enc;
    PlotData neutrality;
    std::optional<PlotData> pr2;
};
GenomeFigures collectGenomeFigures(KstlReader& reader, const FigureOptions& options = {});

// The mean x and y of points (at least one); where a sum would overflow, the sum of each
// value's share.
PlotPoint meanPoint(const std::vector<PlotPoint>& points);

// Adds one point to means: the mean x and y of one file's points (none for a file without),
// named for the figure's key.
void addGenomeMean(PlotData& means, const PlotData& file, const std::string& name = "");

// The SVG document of a figure, titled "TITLE: N genes" (title: the organism, or the input's
// name). Deterministic: the same data give the same text.
std::string renderSvg(const PlotData& data, const std::string& title);

}  // namespace kestrel
