#include "tools/enc_plot.hpp"
#include "kestrel-plot/plot_tool.hpp"

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
              std::tuple(1u, 1u, 1u, 3u + 2u));  // three genes and the two legend marks
    EXPECT_EQ(occurrences(renderSvg(collect(degeneracyFile(), "GC3", "Chi_L"), "t"), "<polyline"), 0u);
    // The title counts the genes drawn; a figure that leaves none out has no note.
    const std::string plain = renderSvg(collect(degeneracyFile(), std::nullopt, "ENC"), "t");
    EXPECT_NE(plain.find("t: 1 genes"), std::string::npos);
    EXPECT_EQ(renderSvg(collect(plainFile(), std::nullopt, "Chi_L"), "t").find("left out"), std::string::npos);
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
    EXPECT_NE(readFile("n.svg").find("least squares: slope"), std::string::npos);
}

TEST_F(PlotTool, SeveralFiguresOfOneFilePairEachFigureWithItsOutput) {
    writeFile("plot.kstl", plainFile());
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(runPlotTool({"--figure", "neutrality", "-o", "a.svg", "--figure", "enc", "--x", "GC3", "-o", "b.svg",
                           "plot.kstl"}, in, out, err), 0) << err.str();
    EXPECT_EQ(std::tuple(occurrences(readFile("a.svg"), "least squares: slope") > 0,
                         occurrences(readFile("b.svg"), "least squares: slope"), occurrences(readFile("b.svg"), "GC3") > 0),
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
