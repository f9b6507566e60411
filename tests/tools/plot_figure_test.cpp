#include "kestrel-plot/enc_plot.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "kstl_samples.hpp"

namespace kestrel {
namespace {

// Degeneracy breakdown on: genes with ENC 50.00, 40.00 and nc and GC3_6 0.3000, "." and 0.9000,
// the second on the reverse strand; GC3 0.6000 for all three.
std::string degeneracyFile() {
    std::string labels = samples::CombinedLabels;
    for (const char* cls : {"_2", "_4", "_6"}) {
        for (const char* pos : {"1", "2", "3"}) labels += samples::padded(std::string("GC") + pos + cls, 7);
    }
    std::string rows;
    for (const auto& [enc, strand, gc36] : {std::array<std::string, 3>{"50.00 ", "Forward ", "0.3000 "},
                                            {"40.00 ", "Reverse ", " .     "}, {"   nc ", "Forward ", "0.9000 "}}) {
        rows += samples::combinedRow("g", enc, strand, "0.6000 ");
        for (int i = 0; i < 8; ++i) rows += "0.5000 ";
        rows += gc36 + "\n";
    }
    return samples::outputFile(labels, rows, 3, 0);
}

PlotData collect(const std::string& text, const std::optional<std::string>& x, const std::string& y) {
    std::istringstream in(text);
    KstlReader reader(in, "t.kstl");
    return collectPlotData(reader, x, y);
}

// Enough of XML to catch a broken figure: elements closed in order under one root, attribute
// values quoted, only the predefined entities. Returns the first problem, or nothing.
std::string xmlProblem(const std::string& text) {
    std::vector<std::string> open;
    int roots = 0;
    for (std::size_t pos = 0; (pos = text.find_first_of("<&", pos)) != std::string::npos;) {
        const bool entity = text[pos] == '&';
        const std::size_t end = text.find(entity ? ';' : '>', pos);
        if (end == std::string::npos) return "unterminated at " + std::to_string(pos);
        const std::string token = text.substr(pos + 1, end - pos - 1);
        pos = end + 1;
        if (entity) {
            if (token != "amp" && token != "lt" && token != "gt" && token != "quot" && token != "apos")
                return "bad entity &" + token + ";";
        } else if (token.starts_with("/")) {
            if (open.empty() || open.back() != token.substr(1)) return "mismatched <" + token + ">";
            open.pop_back();
        } else if (std::count(token.begin(), token.end(), '"') % 2 != 0 || token.find('<') != std::string::npos) {
            return "bad attributes in <" + token + ">";
        } else if (!token.starts_with("?")) {
            roots += open.empty();
            if (!token.ends_with("/")) open.push_back(token.substr(0, token.find(' ')));
        }
    }
    return !open.empty() ? "unclosed <" + open.back() + ">" : roots != 1 ? "not one root element" : "";
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

TEST(PlotColumns, DefaultXAndRowsWithAPlaceholderInEitherColumnLeftOut) {
    const std::string degeneracy = degeneracyFile();
    const std::string plain = samples::optionsOffFile();
    const struct {
        const std::string& file;
        std::optional<std::string> x;
        const char* y;
        const char* expected;  // x label, genes, genes left out: points, R for the reverse strand
    } cases[] = {
        {degeneracy, std::nullopt, "ENC", "GC3_6 3 2: 0.3,50 "},
        {degeneracy, "GC3", "ENC", "GC3 3 1: 0.6,50 0.6,40R "},
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

TEST(PlotFigure, SvgIsWellFormedWithPointsCurveTitleAndNote) {
    PlotData data = collect(degeneracyFile(), "GC3", "ENC");
    data.points.push_back({0.5, 45.0, true});
    const std::string svg = renderSvg(data, "a&b<1>.kstl");
    EXPECT_EQ(xmlProblem(svg), "");
    EXPECT_NE(svg.find("a&amp;b&lt;1&gt;.kstl: 3 genes"), std::string::npos);
    EXPECT_NE(svg.find("1 of 3 genes left out"), std::string::npos);
    EXPECT_EQ(occurrences(svg, "<polyline"), 1u);
    EXPECT_EQ(occurrences(svg, "<circle"), 3u + 2u);  // three genes and the two legend marks
    EXPECT_EQ(occurrences(renderSvg(collect(degeneracyFile(), "GC3", "Chi_L"), "t"), "<polyline"), 0u);

    std::string broken = svg;
    EXPECT_NE(xmlProblem(broken.replace(broken.find("</text>"), 7, "</txt>")), "");
}

TEST(PlotTool, WritesTheFigureOrFailsWithAClearMessage) {
    const std::string dir = ::testing::TempDir();
    const std::string input = dir + "plot-tool.kstl";
    std::ofstream(input) << samples::optionsOffFile();
    std::ostringstream out, err;
    ASSERT_EQ(runPlotTool({input}, std::cin, out, err), 0) << err.str();
    EXPECT_TRUE(std::ifstream(dir + "plot-tool.svg").good());  // beside the input, .kstl replaced
    EXPECT_EQ(runPlotTool({"--x", "GC3_6", "-o", dir + "no.svg", input}, std::cin, out, err), 1);
    EXPECT_NE(err.str().find("plot-tool.kstl: has no GC3_6 column"), std::string::npos) << err.str();
    EXPECT_FALSE(std::ifstream(dir + "no.svg").good());
    EXPECT_EQ(runPlotTool({"--y", "GC3", input}, std::cin, out, err), 2);
    std::remove(input.c_str());
    std::remove((dir + "plot-tool.svg").c_str());
}

}  // namespace
}  // namespace kestrel
