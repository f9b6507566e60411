#include "tools/set_comparison_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "analysis/codon_letters.hpp"
#include "tools/number_text.hpp"
#include "tools/svg_style.hpp"

namespace kestrel {

namespace {

std::string oddsRatioCell(const CodonComparison& codon) {
    if (!codon.tested) return "NA";
    return std::isinf(codon.fisher.oddsRatio) ? "inf" : formatNumber("%.8g", codon.fisher.oddsRatio);
}

std::int64_t synonymousTotal(const CodonTotals& totals, const GeneticCode& code) {
    std::int64_t n = 0;
    for (int c = 0; c < 64; ++c)
        if (code.isSynonymous(code.aminoAcid[c])) n += totals[c];
    return n;
}

void writeOverallRow(std::ostream& out, const SetComparison& s, const GeneticCode& code) {
    out << "overall\t\t\t" << synonymousTotal(s.first, code) << '\t' << synonymousTotal(s.second, code)
        << "\t\t\t\t\t" << formatNumberOrNA("%.6g", s.permutationP) << "\t\t\t\t"
        << formatNumberOrNA("%.6f", s.distance)
        << '\t' << s.settings.permutations << '\t' << s.settings.seed << '\t' << s.firstGenes << '\t'
        << s.secondGenes << '\n';
}

void writeFamilyRow(std::ostream& out, const FamilyComparison& f) {
    out << "amino_acid\t" << AminoAcidNames[f.aminoAcid].data() << "\t\t" << f.first << '\t' << f.second
        << "\t\t\t\t\t" << (f.test ? formatNumber("%.12g", f.test->p) : "NA") << "\t\t"
        << (f.test ? formatNumber("%.4f", f.test->statistic) : "NA") << '\t'
        << (f.test ? std::to_string(f.test->df) : "NA") << "\t\t\t\t\t\n";
}

void writeCodonRow(std::ostream& out, const CodonComparison& c, const GeneticCode& code) {
    out << "codon\t" << AminoAcidNames[code.aminoAcid[c.codon]].data() << '\t' << codonLetters(c.codon).data() << '\t'
        << c.first << '\t' << c.second << '\t' << formatNumberOrNA("%.4f", c.firstRscu) << '\t'
        << formatNumberOrNA("%.4f", c.secondRscu) << '\t' << oddsRatioCell(c) << '\t'
        << formatNumberOrNA("%.4f", c.log2OddsRatio) << '\t'
        << (c.tested ? formatNumber("%.12g", c.fisher.p) : "NA") << '\t' << formatNumberOrNA("%.12g", c.q)
        << "\t\t\t\t\t\t\t\n";
}

}  // namespace

void writeComparisonTable(std::ostream& out, const SetComparison& comparison, const GeneticCode& code) {
    out << ComparisonTableHeader;
    writeOverallRow(out, comparison, code);
    for (const FamilyComparison& family : comparison.families) {
        writeFamilyRow(out, family);
        for (const CodonComparison& codon : comparison.codons)
            if (code.aminoAcid[codon.codon] == family.aminoAcid) writeCodonRow(out, codon, code);
    }
}

std::string comparisonSummary(const SetComparison& comparison, double alpha) {
    std::size_t tested = 0, significant = 0, families = 0, familiesSignificant = 0;
    for (const CodonComparison& c : comparison.codons) {
        tested += c.tested ? 1 : 0;
        significant += c.q && *c.q < alpha ? 1 : 0;
    }
    for (const FamilyComparison& f : comparison.families) {
        families += f.test ? 1 : 0;
        familiesSignificant += f.test && f.test->p < alpha ? 1 : 0;
    }
    const std::string level = formatNumber("%g", alpha);
    std::string line = "set A " + std::to_string(comparison.firstGenes) + " genes, set B " +
                       std::to_string(comparison.secondGenes) + " genes; " + std::to_string(tested) +
                       " codons tested, " + std::to_string(significant) + " with q < " + level + "; " +
                       std::to_string(familiesSignificant) + " of " + std::to_string(families) +
                       " amino acids with chi-square p < " + level + "; distance " +
                       formatNumberOrNA("%.4f", comparison.distance);
    if (comparison.permutationP)
        line += ", permutation p " + formatNumber("%.4g", *comparison.permutationP) + " (" +
                std::to_string(comparison.settings.permutations) + " permutations, seed " +
                std::to_string(comparison.settings.seed) + ")";
    return line;
}

namespace {

constexpr double Left = 80;
constexpr double Top = 96;
constexpr double PlotHeight = 340;
constexpr double CodonStep = 15;
constexpr double FamilyGap = 9;
constexpr const char* SignificantColour = "#c0392b";
constexpr const char* OtherColour = "#a6a6a6";

struct Axis {
    double limit = 1;  // the y axis runs from -limit to limit
    double y(double v) const { return Top + PlotHeight / 2 - v / limit * (PlotHeight / 2); }
};

Axis axisFor(const SetComparison& comparison) {
    double largest = 1;
    for (const CodonComparison& c : comparison.codons)
        if (c.log2OddsRatio) largest = std::max(largest, std::fabs(*c.log2OddsRatio));
    return {largest * 1.1};
}

void drawAxis(SvgText& svg, const Axis& axis, double right) {
    svg.box(Left, Top, right - Left, PlotHeight, "#ffffff", " stroke=\"#000\"");
    const double step = tickStep(2 * axis.limit);
    for (double v = -std::floor(axis.limit / step) * step; v <= axis.limit; v += step) {
        const double shown = std::fabs(v) < step / 1e6 ? 0.0 : v;
        svg.line(Left, axis.y(v), right, axis.y(v), shown == 0 ? "stroke:#000" : "stroke:#e3e3e3");
        svg.text(Left - 6, axis.y(v) + 4, fixed(shown, step < 0.1 ? 2 : step < 1 ? 1 : 0), "text-anchor=\"end\"");
    }
    const double middle = Top + PlotHeight / 2;
    svg.text(24, middle, "log2 odds ratio, codon against its synonyms, A against B",
             "text-anchor=\"middle\" transform=\"rotate(-90 24 " + fixed(middle) + ")\"");
}

// The bars, the codon labels below the plot and the amino acids below them.
void drawCodons(SvgText& svg, const SetComparison& comparison, const GeneticCode& code, const Axis& axis,
                double alpha) {
    const double labels = Top + PlotHeight + 8;
    double x = Left + 10;
    for (const FamilyComparison& family : comparison.families) {
        const double start = x;
        for (const CodonComparison& c : comparison.codons) {
            if (code.aminoAcid[c.codon] != family.aminoAcid) continue;
            const bool significant = c.q && *c.q < alpha;
            if (c.log2OddsRatio) {
                const double top = std::min(axis.y(0), axis.y(*c.log2OddsRatio));
                const double height = std::fabs(axis.y(*c.log2OddsRatio) - axis.y(0));
                svg.box(x + 2, top, CodonStep - 4, std::max(height, 0.5),
                        significant ? SignificantColour : OtherColour);
                if (significant)
                    svg.text(x + CodonStep / 2, *c.log2OddsRatio >= 0 ? top - 3 : top + height + 11, "*",
                             std::string("text-anchor=\"middle\" fill=\"") + SignificantColour + "\"");
            }
            const std::string at = fixed(x + CodonStep / 2 + 4) + " " + fixed(labels);
            svg.text(x + CodonStep / 2 + 4, labels, codonLetters(c.codon).data(),
                     "text-anchor=\"end\" font-size=\"10\" font-family=\"monospace\" transform=\"rotate(-90 " + at +
                         ")\"" + (c.tested ? "" : " fill=\"#bbbbbb\""));
            x += CodonStep;
        }
        svg.text((start + x) / 2, labels + 42, AminoAcidNames[family.aminoAcid].data(),
                 "text-anchor=\"middle\" font-size=\"11\"");
        x += FamilyGap;
    }
}

double plotRight(const SetComparison& comparison) {
    return Left + 10 + CodonStep * static_cast<double>(comparison.codons.size()) +
           FamilyGap * static_cast<double>(comparison.families.size()) + 1;
}

}  // namespace

std::string renderComparisonSvg(const SetComparison& comparison, const GeneticCode& code,
                                const ComparisonNames& names, double alpha) {
    const double right = plotRight(comparison);
    const double width = std::max(right + 30, 700.0), height = Top + PlotHeight + 110;
    const Axis axis = axisFor(comparison);
    SvgText svg;
    svg.open(width, height, "#f7f7f7");
    svg.text(width / 2, 26, "Codon usage of set A against set B",
             "text-anchor=\"middle\" font-size=\"16\" font-weight=\"bold\"");
    svg.text(width / 2, 46, "A: " + names.first + " (" + std::to_string(comparison.firstGenes) + " genes); B: " +
                                names.second + " (" + std::to_string(comparison.secondGenes) + " genes)");
    std::string overall = "distance " + formatNumberOrNA("%.4f", comparison.distance);
    if (comparison.permutationP)
        overall += ", permutation p " + formatNumber("%.4g", *comparison.permutationP) + " (" +
                   std::to_string(comparison.settings.permutations) + " permutations, seed " +
                   std::to_string(comparison.settings.seed) + ")";
    svg.text(width / 2, 64, overall);
    drawAxis(svg, axis, right);
    drawCodons(svg, comparison, code, axis, alpha);
    const double legend = Top + PlotHeight + 86;
    svg.box(Left, legend - 10, 12, 12, SignificantColour);
    svg.text(Left + 18, legend, "* q < " + formatNumber("%g", alpha) + " (Fisher's exact test, Benjamini-Hochberg)",
             "text-anchor=\"start\"");
    svg.box(Left + 340, legend - 10, 12, 12, OtherColour);
    svg.text(Left + 358, legend, "not significant; a codon named in light grey is not tested",
             "text-anchor=\"start\"");
    svg.close();
    return svg.str();
}

}  // namespace kestrel
