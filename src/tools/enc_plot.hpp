// The figures of output files, as self-contained SVG figures: one point per gene of a file,
// effective number of codons (or another index) against GC content at third positions,
// the neutrality plot (GC12 against GC3) or the parity rule 2 plot of fourfold sites.
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
};

enum class Figure { Enc, Neutrality, Pr2 };

struct PlotData {
    Figure figure = Figure::Enc;
    std::string xLabel;  // the column, or the quantity derived from the row
    std::string yLabel;
    std::vector<PlotPoint> points;
    std::size_t genes = 0;    // gene rows in the file (files, for genome means)
    bool genomeMeans = false;  // one point per file: the means of its genes
    std::size_t leftOut = 0;  // rows with a placeholder in either plotted column
};

// The least-squares line of y on x; no value for fewer than two distinct x.
struct Regression {
    double slope = 0;
    double intercept = 0;
    double r2 = 0;
};
std::optional<Regression> leastSquares(const std::vector<PlotPoint>& points);

// Reads every gene row. Without an x label, GC3_6 is used when the file has it, else GC3.
// Throws KstlError when the file lacks a column asked for.
PlotData collectPlotData(KstlReader& reader, const std::optional<std::string>& xLabel, const std::string& yLabel);
// GC12 = (GC1 + GC2)/2 against GC3.
PlotData collectNeutralityData(KstlReader& reader);
// G3/(G3 + C3) against A3/(A3 + T3) at fourfold-degenerate third positions, from the codon
// counts, or from the A3_6 ... C3_6 columns of a file without them. Throws KstlError when
// the file has neither.
PlotData collectPr2Data(KstlReader& reader);

// Adds one point to means: the mean x and y of one file's points (none for a file without).
void addGenomeMean(PlotData& means, const PlotData& file);

std::string renderSvg(const PlotData& data, const std::string& inputName);

}  // namespace kestrel
