#include "tools/enc_plot.hpp"
#include "kestrel-plot/plot_tool.hpp"
#include "tools/reference_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <tuple>

#include "output_files.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

// Degeneracy breakdown on: genes with ENC 50.00, 40.00 and none, GC3 0.2500, 0.5000 and
// 0.7500, GC3_6 0.2500, "." and 0.7500, the second on the reverse strand.
std::string degeneracyFile() {
    RunSettings settings = bareSettings();
    settings.degeneracyBreakdown = true;
    return sample::outputFile(settings, {{"g", "s.gb", {50.0}, 1}, {"g", "s.gb", {40.0}, 2, "AAG", true}, {"g", "s.gb", {}, 3}},
                              3);
}

// Two genes with ENC 50.00, Chi_L 0.250 and GC3 0.5000 and 0.7500.
std::string plainFile() {
    return sample::outputFile(bareSettings(), {{"g1", "s.gb", {50.0, 0.25}}, {"g2", "s.gb", {50.0, 0.25}, 3}}, 2);
}

PlotData collect(const std::string& text, const std::optional<std::string>& x, const std::string& y) {
    std::istringstream in(text);
    KstlReader reader(in, "t.kstl");
    return collectPlotData(reader, x, y);
}

TEST(PlotCurve, ExpectedEncUnderMutationPressureAlone) {
    EXPECT_EQ((std::array{expectedEnc(0.0), expectedEnc(0.5), expectedEnc(1.0)}), (std::array{31.0, 60.5, 32.0}));
}

TEST(PlotColumns, DefaultXAndRowsWithAPlaceholderInEitherColumnLeftOut) {
    const std::string degeneracy = degeneracyFile();
    const std::string plain = plainFile();
    const struct {
        const std::string& file;
        std::optional<std::string> x;
        const char* y;
        const char* expected;  // x label, genes, genes left out: points, R for the reverse strand
    } cases[] = {
        {degeneracy, std::nullopt, "ENC", "GC3_6 3 2: 0.25,50 "},
        {degeneracy, "GC3", "ENC", "GC3 3 1: 0.25,50 0.5,40R "},
        {degeneracy, "GC3", "Fop", "GC3 3 3: "},
        {plain, std::nullopt, "Chi_L", "GC3 2 0: 0.5,0.25 0.75,0.25 "},
        // CAI is a column of every file, but without an RSCU table it holds only placeholders.
        {plain, std::nullopt, "CAI", "GC3 2 2: "},
    };
    for (const auto& c : cases) {
        const PlotData data = collect(c.file, c.x, c.y);
        std::ostringstream seen;
        seen << data.xLabel << " " << data.genes << " " << data.leftOut << ": ";
        for (const auto& p : data.points) seen << p.x << "," << p.y << (p.reverse ? "R " : " ");
        EXPECT_EQ(seen.str(), c.expected) << c.y;
    }
    EXPECT_THROW(collect(plain, "GC3_6", "ENC"), KstlError);
}

TEST(PlotFigure, SvgHasPointsCurveTitleAndNote) {
    // A well-formed figure: see the tools' hostile test, which parses one as XML.
    PlotData data = collect(degeneracyFile(), "GC3", "ENC");
    data.points.push_back({0.5, 45.0, true});
    const std::string svg = renderSvg(data, "a&b<1>.kstl");
    EXPECT_EQ(std::tuple(occurrences(svg, "a&amp;b&lt;1&gt;.kstl: 3 genes"), occurrences(svg, "1 of 3 genes left out"),
                         occurrences(svg, "<polyline"), occurrences(svg, "<circle")),
              std::tuple(1u, 1u, 1u, 3u + 1u));  // three genes and the legend's mark
    // Self-contained: nothing to run, nothing fetched.
    EXPECT_EQ(occurrences(svg, "<script") + occurrences(svg, "href") + occurrences(svg, "url("), 0u);
    EXPECT_EQ(occurrences(renderSvg(collect(degeneracyFile(), "GC3", "Chi_L"), "t"), "<polyline"), 0u);
    // The title counts the genes drawn; a figure that leaves none out has no note.
    const std::string plain = renderSvg(collect(degeneracyFile(), std::nullopt, "ENC"), "t");
    EXPECT_NE(plain.find("t: 1 genes"), std::string::npos);
    EXPECT_EQ(renderSvg(collect(plainFile(), std::nullopt, "Chi_L"), "t").find("left out"), std::string::npos);
    // A figure of no gene (a genome whose genes are all too short for ENC) is still drawn.
    PlotData none;
    none.figure = Figure::Neutrality;
    EXPECT_EQ(occurrences(renderSvg(none, "t"), "t: 0 genes"), 1u);
}

TEST(PlotBins, FreedmanDiaconisWithinTheirBounds) {
    const auto spread = [](std::size_t n, double outlier) {
        std::vector<double> values;
        for (std::size_t i = 0; i < n; ++i) values.push_back(static_cast<double>(i) / static_cast<double>(n - 1));
        if (outlier != 0) values.push_back(outlier);
        return values;
    };
    // 1000 values evenly over [0, 1]: IQR 0.5, width 2 * 0.5 / 10 = 0.1, ten bins.
    const HistogramBins even = histogramBins(spread(1000, 0));
    EXPECT_EQ(std::tuple(even.count, even.low), std::tuple(10u, 0.0));
    EXPECT_DOUBLE_EQ(even.width, 0.1);
    // Twelve genes would make two bins, one far outlier hundreds: the floor and the ceiling.
    EXPECT_EQ(histogramBins(spread(12, 0)).count, MinHistogramBins);
    EXPECT_EQ(histogramBins(spread(1000, 100)).count, MaxHistogramBins);
    // Most values alike (IQR 0): Sturges' count, ceil(log2(100) + 1) = 8.
    std::vector<double> alike(90, 0.5);
    for (int i = 0; i < 10; ++i) alike.push_back(i / 10.0);
    EXPECT_EQ(histogramBins(alike).count, 8u);
    // All alike, or none: one bin; every value, the highest too, falls in a bin.
    EXPECT_EQ(histogramBins(std::vector<double>(5, 0.25)).count, 1u);
    EXPECT_EQ(histogramBins({}).count, 1u);
    EXPECT_EQ(std::tuple(even.binOf(0.0), even.binOf(0.15), even.binOf(1.0), even.binOf(-1), even.binOf(7)),
              std::tuple(0u, 1u, 9u, 0u, 9u));
    const HistogramBins huge = histogramBins({-1.7e308, 1.7e308});  // a span beyond the largest double
    EXPECT_EQ(std::tuple(huge.count, huge.binOf(1.7e308)), std::tuple(1u, 0u));
}

// n genes on a line, for the regression's threshold.
PlotData lineOfGenes(std::size_t n) {
    PlotData data;
    data.figure = Figure::Neutrality;
    data.xLabel = "GC3";
    data.yLabel = "GC12";
    for (std::size_t i = 0; i < n; ++i) data.points.push_back({0.1 + 0.05 * static_cast<double>(i), 0.5});
    data.genes = n;
    return data;
}

TEST(PlotFigure, ARegressionLineOnlyThroughTenPointsOrMore) {
    EXPECT_FALSE(drawnRegression(lineOfGenes(9).points));
    EXPECT_TRUE(drawnRegression(lineOfGenes(10).points));
    const std::string nine = renderSvg(lineOfGenes(9), "t"), ten = renderSvg(lineOfGenes(10), "t");
    EXPECT_EQ(std::tuple(occurrences(nine, "least squares"), occurrences(nine, "no regression line: 9 genes, fewer than 10"),
                         occurrences(ten, "least squares: slope 0.000, R\u00b2 = 1.000")),
              std::tuple(0u, 1u, 1u));
    // Four genome means: numbered, named in the key, no line.
    PlotData means;
    for (const char* name : {"alpha", "beta", "gamma", "delta"}) addGenomeMean(means, lineOfGenes(3), name);
    const std::string svg = renderSvg(means, "genome means");
    EXPECT_EQ(std::tuple(occurrences(svg, "no regression line: 4 genomes"), occurrences(svg, ">delta<"),
                         occurrences(svg, ">4<"), occurrences(svg, "least squares")),
              std::tuple(1u, 1u, 2u, 0u));  // 4 beside its point and in the key
    // A name longer than the key holds is cut at a character's start.
    addGenomeMean(means, lineOfGenes(3), std::string(59, 'x') + "\u00e9\u00e9");
    EXPECT_EQ(occurrences(renderSvg(means, "t"), ">" + std::string(59, 'x') + "\u2026<"), 1u);
    // The neutrality plot is square: one range on both axes, as long as high.
    EXPECT_EQ(occurrences(ten, "width=\"420.00\" height=\"420.00\" fill=\"#ffffff\""), 1u);
}

TEST(PlotFigure, ReferenceGenesMarkedInEveryColouring) {
    const std::string file = sample::outputFile(
        bareSettings(), {{"g1", "s.gb", {50.0, {}, {}, {}, 0.4}}, {"rpsA", "s.gb", {30.0, {}, {}, {}, 0.8}, 3},
                         {"g3", "s.gb", {45.0}, 1}}, 3);
    const auto collectWith = [&](const FigureOptions& options) {
        std::istringstream in(file);
        KstlReader reader(in, "t.kstl");
        return collectPlotData(reader, "GC3", "ENC", options);
    };
    FigureOptions options;
    options.referenceGenes = {"rpsA", "absent"};
    options.referenceName = "ribosomal proteins";
    const PlotData marked = collectWith(options);
    ASSERT_EQ(marked.points.size(), 3u);
    EXPECT_EQ(std::tuple(marked.colour, marked.points[0].marked, marked.points[1].marked, marked.points[2].marked),
              std::tuple(PointColour::Reference, false, true, false));
    const std::string svg = renderSvg(marked, "t");
    EXPECT_EQ(occurrences(svg, "ribosomal proteins: 1 gene<"), 1u);
    // CAI on a scale, the set ringed; the gene without a CAI in grey.
    options.colour = PointColour::Cai;
    const PlotData cai = collectWith(options);
    EXPECT_EQ(std::tuple(cai.points[1].hasValue, cai.points[1].value, cai.points[2].hasValue), std::tuple(true, 0.8, false));
    const std::string scale = renderSvg(cai, "t");
    EXPECT_EQ(std::tuple(occurrences(scale, "fill=\"none\" stroke=\"#000\""), occurrences(scale, "#a6a6a6")),
              std::tuple(2u, 1u));  // the rings' group and the legend's ring
    // Without a set nothing is marked and the points have one colour.
    const PlotData none = collectWith({});
    EXPECT_EQ(std::tuple(none.colour, none.points[1].marked), std::tuple(PointColour::None, false));
}

TEST(PlotFigure, NeutralityLineAndParityRuleTwoPoints) {
    // Mean (1.5, 0.5): Sxy = 1, Sxx = 5, Syy = 1: slope 0.2, intercept 0.2, R2 = 1/5.
    const auto line = leastSquares({{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    ASSERT_TRUE(line);
    for (const double value : {line->slope, line->intercept, line->r2}) EXPECT_DOUBLE_EQ(value, 0.2);
    EXPECT_FALSE(leastSquares({{1, 0}, {1, 2}}));

    // GCx codons: GC1 = GC2 = 1; AAG: both 0. Fourfold sites: GCA and GCG only (A and G).
    RunSettings settings = bareSettings();
    settings.codonUsageOutput = true;
    const std::string file = sample::outputFile(settings, {{"g", "s.gb", {}, 1}, {"g", "s.gb", {}, 2, "AAG", true}}, 2);
    std::istringstream in(file), again(file);
    KstlReader first(in, "t"), second(again, "t");
    const PlotData neutrality = collectNeutralityData(first);
    ASSERT_EQ(neutrality.points.size(), 2u);
    EXPECT_EQ(std::pair(neutrality.points[0].y, neutrality.points[1].y), std::pair(1.0, 0.0));
    // AAG has no fourfold site; A3/(A3+T3) = 3/3, G3/(G3+C3) = 1/1.
    const PlotData pr2 = collectPr2Data(second);
    ASSERT_EQ(std::pair(pr2.points.size(), pr2.leftOut), std::pair(1ul, 1ul));
    EXPECT_EQ(std::pair(pr2.points[0].x, pr2.points[0].y), std::pair(1.0, 1.0));
    EXPECT_EQ(occurrences(renderSvg(pr2, "t"), "mean: A3/(A3+T3) = 1.000, G3/(G3+C3) = 1.000"), 1u);
    // The three figures of a genome from one reading; no PR2 figure from a file without what it needs.
    std::istringstream whole(file), bare(plainFile());
    KstlReader wholeReader(whole, "t"), bareReader(bare, "t");
    const GenomeFigures all = collectGenomeFigures(wholeReader), some = collectGenomeFigures(bareReader);
    ASSERT_TRUE(all.pr2);
    EXPECT_EQ(std::tuple(all.enc.points.size() + all.enc.leftOut, all.neutrality.points.size(), all.pr2->points.size(),
                         some.neutrality.points.size(), some.pr2.has_value()),
              std::tuple(2u, 2u, 1u, 2u, false));
    PlotData means;
    addGenomeMean(means, neutrality);  // GC3 (0.25 + 0.5)/2, GC12 (1 + 0)/2
    addGenomeMean(means, PlotData{});
    ASSERT_EQ(means.points.size(), 1u);
    EXPECT_EQ(std::tuple(means.points[0].x, means.points[0].y, means.genes, means.leftOut), std::tuple(0.375, 0.5, 2u, 1u));
    std::istringstream noCounts(plainFile());
    KstlReader plain(noCounts, "t");
    EXPECT_THROW(collectPr2Data(plain), KstlError);
}

class PlotTool : public InScratchFolder {};

TEST_F(PlotTool, WritesTheFigureOrFailsWithAClearMessage) {
    writeFile("plot.kstl", plainFile());
    std::istringstream in(plainFile());
    std::ostringstream out, err;
    ASSERT_EQ(runPlotTool({"plot.kstl"}, in, out, err), 0) << err.str();
    EXPECT_TRUE(readFile("plot.svg").starts_with("<?xml"));  // beside the input, .kstl replaced
    ASSERT_EQ(runPlotTool({"-"}, in, out, err), 0) << err.str();  // standard input to standard output
    EXPECT_NE(out.str().find("standard input: 2 genes"), std::string::npos);
    const struct { std::vector<std::string> args; int status; std::string message; } refused[] = {
        {{"--x", "GC3_6", "-o", "no.svg", "plot.kstl"}, 1, "plot.kstl: has no GC3_6 column\n"},
        {{"--y", "GC3", "-o", "no.svg", "plot.kstl"}, 2, "--y takes ENC, CAI, Fop or Chi_L, not GC3\nusage:"},
        {{"--y", "CAI", "-o", "no.svg", "plot.kstl"}, 1,
         "plot.kstl: no gene has a value for both GC3 and CAI: nothing to draw\n"},
        {{"--figure", "pr2", "--x", "GC3", "-o", "no.svg", "plot.kstl"}, 2,
         "--x and --y choose the axes of --figure enc only\n"},
    };
    for (const auto& c : refused) {
        err.str("");
        EXPECT_EQ(runPlotTool(c.args, in, out, err), c.status) << c.message;
        EXPECT_TRUE(err.str().starts_with("kestrel-plot: " + c.message)) << err.str();
    }
    EXPECT_FALSE(std::filesystem::exists("no.svg"));
    ASSERT_EQ(runPlotTool({"--figure", "neutrality", "-o", "n.svg", "plot.kstl"}, in, out, err), 0) << err.str();
    EXPECT_NE(readFile("n.svg").find("no regression line: 2 genes, fewer than 10"), std::string::npos);
}

TEST_F(PlotTool, ReferenceColourAndTitleFromTheCommandLine) {
    writeFile("plot.kstl", plainFile());
    // Both forms of a reference set: a kestrel-reference table (its gene rows' names) and a list.
    writeFile("set.reference.tsv", "kind\tfile\trecord\tlocus_tag\tgene\tprotein_id\tproduct\n"
                                   "gene\tx.gb\tR\tb0001\tg2\tP1\tribosomal protein\n"
                                   "codon\t\t\t\t\t\t\n");
    writeFile("set.txt", "# a list\n  g2 \n\n");
    EXPECT_EQ(reference::readReferenceNames("set.reference.tsv"), (std::vector<std::string>{"b0001", "g2", "P1"}));
    EXPECT_EQ(reference::readReferenceNames("set.txt"), std::vector<std::string>{"g2"});
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(runPlotTool({"--reference", "set.txt", "--title", "Some organism", "-o", "r.svg", "plot.kstl"}, in, out,
                          err), 0) << err.str();
    EXPECT_EQ(std::tuple(occurrences(readFile("r.svg"), "Some organism: 2 genes"),
                         occurrences(readFile("r.svg"), "reference set (set.txt): 1 gene<")),
              std::tuple(1u, 1u));
    writeFile("other.txt", "nothere\n");
    ASSERT_EQ(runPlotTool({"--reference", "other.txt", "--colour", "strand", "-o", "s.svg", "plot.kstl"}, in, out, err),
              0);
    EXPECT_NE(err.str().find("warning: no gene of plot.kstl is named in other.txt"), std::string::npos);
    const struct { std::vector<std::string> args; int status; std::string message; } refused[] = {
        {{"--colour", "red", "plot.kstl"}, 2, "--colour takes reference, CAI, Fop, GC3, strand or none, not red"},
        {{"--colour", "reference", "plot.kstl"}, 2, "--colour reference needs --reference FILE"},
        {{"--reference", "missing.txt", "plot.kstl"}, 1, "missing.txt"},
        {{"--reference", "set.txt", "-o", "set.txt", "plot.kstl"}, 2, "the figure set.txt would be written over"},
        {{"--figure", "neutrality", "--genome-means", "--colour", "GC3", "-o", "m.svg", "plot.kstl"}, 2,
         "--colour and --reference go with the figures of one file"},
    };
    for (const auto& c : refused) {
        err.str("");
        EXPECT_EQ(runPlotTool(c.args, in, out, err), c.status) << c.message;
        EXPECT_TRUE(err.str().starts_with("kestrel-plot: " + c.message)) << err.str();
    }
    EXPECT_EQ(readFile("set.txt"), "# a list\n  g2 \n\n");
}

TEST_F(PlotTool, SeveralFiguresOfOneFilePairEachFigureWithItsOutput) {
    writeFile("plot.kstl", plainFile());
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(runPlotTool({"--figure", "neutrality", "-o", "a.svg", "--figure", "enc", "--x", "GC3", "-o", "b.svg",
                           "plot.kstl"}, in, out, err), 0) << err.str();
    EXPECT_EQ(std::tuple(occurrences(readFile("a.svg"), "GC12 = GC3") > 0, occurrences(readFile("b.svg"), "GC12 = GC3"),
                         occurrences(readFile("b.svg"), "GC3") > 0),
              std::tuple(true, 0u, true));
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--figure", "enc", "--figure", "pr2", "-o", "c.svg", "plot.kstl"},
          {"--figure", "enc", "-o", "c.svg", "--figure", "pr2", "-o", "c.svg", "plot.kstl"},
          {"--figure", "enc", "-o", "c.svg", "--figure", "pr2", "-o", "plot.kstl", "plot.kstl"},
          {"--figure", "enc", "-o", "c.svg", "--figure", "pr2", "-o", "d.svg", "-"},
          {"--figure", "neutrality", "-o", "c.svg", "--figure", "pr2", "-o", "d.svg", "--x", "GC3", "plot.kstl"}})
        EXPECT_EQ(runPlotTool(wrong, in, out, err), 2) << wrong[5];
    EXPECT_FALSE(std::filesystem::exists("c.svg"));
}

}  // namespace
}  // namespace kestrel
