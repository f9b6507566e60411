// kestrel-plot: effective number of codons (or another index) against GC content at
// third positions, one point per gene, as one self-contained SVG figure.
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

struct PlotData {
    std::string xLabel;
    std::string yLabel;
    std::vector<PlotPoint> points;
    std::size_t genes = 0;    // gene rows in the file
    std::size_t leftOut = 0;  // rows with a placeholder in either plotted column
};

// Reads every gene row. Without an x label, GC3_6 is used when the file has it, else GC3.
// Throws KstlError when the file lacks a column asked for.
PlotData collectPlotData(KstlReader& reader, const std::optional<std::string>& xLabel, const std::string& yLabel);

std::string renderSvg(const PlotData& data, const std::string& inputName);

// Runs the tool on its arguments (without the program name); returns the exit status.
// "-" as the input file reads in.
int runPlotTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kestrel
