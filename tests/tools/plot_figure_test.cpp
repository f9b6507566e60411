#include "kestrel-plot/enc_plot.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "kstl_samples.hpp"

namespace kestrel {
namespace {

using samples::joined;

// Degeneracy breakdown on: genes with GC3_6 0.3000 (ENC 50.00), "." (ENC 40.00) and 0.9000
// (ENC nc), the third on the reverse strand.
std::string degeneracyFile() {
    auto pieces = samples::identityLabels();
    pieces.push_back("NCBases BadNC GC_nc  GC1    GC2    GC3    ");
    for (const char* cls : {"_2", "_4", "_6"}) {
        for (const char* pos : {"1", "2", "3"}) pieces.push_back(samples::padded(std::string("GC") + pos + cls, 7));
    }
    std::string text = samples::headerLines() + joined(pieces) + "\n";
    const std::vector<std::array<std::string, 3>> genes = {
        {"50.00 ", "0.3000 ", "Forward "}, {"40.00 ", " .     ", "Forward "}, {"   nc ", "0.9000 ", "Reverse "}};
    for (const auto& [enc, gc36, strand] : genes) {
        auto cells = samples::identityCells("g", "seq.gb");
        cells[13] = enc;
        cells[5] = strand;
        for (const char* cell : {"     30 ", "    2 ", "0.5000 ", "0.1000 ", "0.2000 ", "0.6000 "}) cells.push_back(cell);
        for (int i = 0; i < 8; ++i) cells.push_back("0.5000 ");
        cells.push_back(gc36);
        text += joined(cells) + "\n";
    }
    return text + samples::summaryLines(3, 0);
}

PlotData collect(const std::string& text, const std::optional<std::string>& x, const std::string& y) {
    std::istringstream in(text);
    KstlReader reader(in, "t.kstl");
    return collectPlotData(reader, x, y);
}

// Enough of XML to catch a broken figure: every element closed in order, attribute values
// quoted, only the predefined entities, one root element.
bool wellFormedXml(const std::string& text, std::string& problem) {
    std::vector<std::string> open;
    std::size_t pos = 0;
    int roots = 0;
    while ((pos = text.find_first_of("<&", pos)) != std::string::npos) {
        if (text[pos] == '&') {
            const auto semi = text.find(';', pos);
            const std::string entity = text.substr(pos, semi == std::string::npos ? 0 : semi - pos + 1);
            if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;" && entity != "&apos;") {
                problem = "bad entity at " + std::to_string(pos);
                return false;
            }
            ++pos;
            continue;
        }
        const auto end = text.find('>', pos);
        if (end == std::string::npos) return (problem = "unterminated tag"), false;
        const std::string tag = text.substr(pos + 1, end - pos - 1);
        pos = end + 1;
        if (tag.starts_with("?")) continue;
        if (tag.starts_with("/")) {
            if (open.empty() || open.back() != tag.substr(1)) return (problem = "mismatched </" + tag + ">"), false;
            open.pop_back();
            continue;
        }
        if (std::count(tag.begin(), tag.end(), '"') % 2 != 0 || tag.find('<') != std::string::npos) {
            return (problem = "bad attributes in <" + tag + ">"), false;
        }
        if (open.empty()) ++roots;
        if (!tag.ends_with("/")) open.push_back(tag.substr(0, tag.find(' ')));
    }
    if (!open.empty()) return (problem = "unclosed <" + open.back() + ">"), false;
    if (roots != 1) return (problem = "not one root element"), false;
    return true;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

TEST(PlotCurve, ExpectedEncUnderMutationPressureAlone) {
    EXPECT_DOUBLE_EQ(expectedEnc(0.0), 31.0);
    EXPECT_DOUBLE_EQ(expectedEnc(0.5), 60.5);
    EXPECT_DOUBLE_EQ(expectedEnc(1.0), 32.0);
}

TEST(PlotColumns, DefaultXIsGC3_6WhenPresentElseGC3AndMissingColumnsFail) {
    EXPECT_EQ(collect(degeneracyFile(), std::nullopt, "ENC").xLabel, "GC3_6");
    EXPECT_EQ(collect(degeneracyFile(), "GC3", "ENC").xLabel, "GC3");
    const PlotData plain = collect(samples::optionsOffFile(), std::nullopt, "Chi_L");
    EXPECT_EQ(plain.xLabel, "GC3");
    ASSERT_EQ(plain.points.size(), 2u);
    EXPECT_DOUBLE_EQ(plain.points[1].x, 0.75);
    EXPECT_DOUBLE_EQ(plain.points[1].y, 0.25);
    EXPECT_THROW(collect(samples::optionsOffFile(), "GC3_6", "ENC"), KstlError);
    // CAI is a column of every file, but without an RSCU table it holds only placeholders.
    EXPECT_EQ(collect(samples::optionsOffFile(), std::nullopt, "CAI").leftOut, 2u);
}

TEST(PlotColumns, RowsWithAPlaceholderInEitherColumnAreLeftOutAndCounted) {
    const PlotData data = collect(degeneracyFile(), std::nullopt, "ENC");
    EXPECT_EQ(data.genes, 3u);
    EXPECT_EQ(data.leftOut, 2u);
    ASSERT_EQ(data.points.size(), 1u);
    EXPECT_DOUBLE_EQ(data.points[0].x, 0.3);
    EXPECT_DOUBLE_EQ(data.points[0].y, 50.0);
    const PlotData byGc3 = collect(degeneracyFile(), "GC3", "ENC");
    EXPECT_EQ(byGc3.leftOut, 1u);
    EXPECT_FALSE(byGc3.points[1].reverse);
    EXPECT_TRUE(collect(degeneracyFile(), "GC3", "Fop").points.empty());
}

TEST(PlotFigure, SvgIsWellFormedWithPointsCurveTitleAndNote) {
    PlotData data = collect(degeneracyFile(), "GC3", "ENC");
    data.points.push_back({0.5, 45.0, true});
    const std::string svg = renderSvg(data, "a&b<1>.kstl");
    std::string problem;
    EXPECT_TRUE(wellFormedXml(svg, problem)) << problem;
    EXPECT_NE(svg.find("a&amp;b&lt;1&gt;.kstl: 3 genes"), std::string::npos);
    EXPECT_NE(svg.find("1 of 3 genes left out"), std::string::npos);
    EXPECT_EQ(occurrences(svg, "<polyline"), 1u);
    EXPECT_EQ(occurrences(svg, "<circle"), 3u + 2u);  // three genes and the two legend marks
    EXPECT_EQ(occurrences(renderSvg(collect(degeneracyFile(), "GC3", "Chi_L"), "t"), "<polyline"), 0u);

    std::string broken = svg;
    broken.replace(broken.find("</text>"), 7, "</txt>");
    EXPECT_FALSE(wellFormedXml(broken, problem));
}

TEST(PlotTool, WritesTheFigureOrFailsWithAClearMessage) {
    const std::string dir = ::testing::TempDir();
    const std::string input = dir + "plot-tool.kstl";
    std::ofstream(input) << samples::optionsOffFile();
    std::ostringstream out, err;
    ASSERT_EQ(runPlotTool({input}, out, err), 0) << err.str();
    std::ifstream figure(dir + "plot-tool.svg");
    EXPECT_TRUE(figure.good());
    EXPECT_EQ(runPlotTool({"--x", "GC3_6", "-o", dir + "no.svg", input}, out, err), 1);
    EXPECT_NE(err.str().find("plot-tool.kstl: has no GC3_6 column"), std::string::npos) << err.str();
    EXPECT_FALSE(std::ifstream(dir + "no.svg").good());
    EXPECT_EQ(runPlotTool({"--y", "GC3", input}, out, err), 2);
    std::remove(input.c_str());
    std::remove((dir + "plot-tool.svg").c_str());
}

}  // namespace
}  // namespace kestrel
