// The figure of a correspondence analysis of codon usage, as one self-contained SVG: the
// genes on two axes, coloured by GC3, by CAI or by membership of a reference set, each axis
// titled with its share of the inertia, and the codons (or amino acids) labelled at their
// coordinates, in a panel of their own or over the genes.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "analysis/correspondence_analysis.hpp"

namespace kestrel {

enum class CoaColour { Gc3, Cai, ReferenceSet };
enum class CodonLabels { Panel, Overlay };

struct CoaFigurePoint {
    float x = 0;
    float y = 0;
    float value = 0;     // GC3 or CAI
    bool hasValue = false;
    bool marked = false;  // in the reference set
};

struct CoaFigureLabel {
    std::string text;
    double x = 0;
    double y = 0;
    int thirdBase = -1;  // base index of a codon's third position; -1 for an amino acid
};

struct CoaFigure {
    std::string title;
    std::array<std::size_t, 2> axes{0, 1};  // from 0
    std::array<double, 2> shares{};         // each axis' share of the inertia
    std::array<bool, 2> present{true, true};  // false: the analysis has no such axis (drawn at 0)
    CoaColour colour = CoaColour::Gc3;
    CodonLabels labels = CodonLabels::Panel;
    std::vector<CoaFigurePoint> genes;
    std::vector<CoaFigureLabel> columns;
};

// Above this many genes the genes are drawn as a grid of cells (their count as the cell's
// opacity, their mean value or the share of reference genes as its colour), so that the
// figure of many genomes stays small.
inline constexpr std::size_t CoaFigureMostPoints = 20000;

// The figure's axes, shares and column labels from a fit; the genes are added by the caller.
CoaFigure coaFigureFrame(const CoaAxes& fit, std::array<std::size_t, 2> axes, CoaColour colour, CodonLabels labels);

std::string renderCoaSvg(const CoaFigure& figure);

}  // namespace kestrel
