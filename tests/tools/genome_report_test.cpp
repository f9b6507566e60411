// The report pages: what they compute from a genome's tables, and that whatever an input file names reaches the
// page as text, never as markup.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "analysis/codon_letters.hpp"
#include "test_support.hpp"
#include "tools/genome_report.hpp"
#include "tools/report_data.hpp"
#include "tools/report_html.hpp"
#include "tools/run_report.hpp"

namespace kestrel::report {
namespace {

TEST(ReportHtml, TextIsEscapedAndBrokenUtf8Replaced) {
    EXPECT_EQ(escaped("<b class=\"x\">R&D's</b>"), "&lt;b class=&quot;x&quot;&gt;R&amp;D&#39;s&lt;/b&gt;");
    EXPECT_EQ(escaped("a\x01\x1b[0m\tb\x7f\n"), "a[0m\tb\n");                 // control characters dropped
    EXPECT_EQ(escaped("Ca\xc3\xb1on \xe2\x80\x93 \xf0\x9f\xa7\xac"), "Ca\xc3\xb1on \xe2\x80\x93 \xf0\x9f\xa7\xac");
    const std::string replacement = "\xef\xbf\xbd";
    EXPECT_EQ(escaped("a\xff" "b"), "a" + replacement + "b");                  // not UTF-8
    EXPECT_EQ(escaped("\xc3"), replacement);                                   // cut short
    EXPECT_EQ(escaped("\xc0\xbc"), replacement + replacement);                 // an overlong '<'
    EXPECT_EQ(escaped("\xed\xa0\x80"), replacement + replacement + replacement);  // a surrogate
}

TEST(ReportHtml, FiguresKeepTheirIdsApart) {
    const std::string svg = "<?xml version=\"1.0\"?>\n<svg grid=\"1\"><defs><clipPath id=\"c\"/></defs>"
                            "<g clip-path=\"url(#c)\"/><use href=\"#c\"/><use xlink:href=\"#c\"/><g data-id=\"k\"/></svg>";
    EXPECT_EQ(embeddedSvg(svg, "f1-"), "<svg grid=\"1\"><defs><clipPath id=\"f1-c\"/></defs><g clip-path=\"url(#f1-c)\"/>"
                                       "<use href=\"#f1-c\"/><use xlink:href=\"#f1-c\"/><g data-id=\"k\"/></svg>");
    EXPECT_EQ(embeddedSvg("not a figure", "x"), "");
}

TEST(ReportHtml, NumbersAndCommandLines) {
    EXPECT_EQ(count(4298), "4,298");
    EXPECT_EQ(count(-1234567), "-1,234,567");
    EXPECT_EQ(count(999), "999");
    EXPECT_EQ(fixed(std::nullopt, 2) + fixed(0.12345, 3) + fixed(std::nan(""), 1), "–0.123–");
    EXPECT_EQ(pValue(0) + " " + pValue(2.5e-7) + " " + pValue(0.0123), "&lt; 1e-300 2.50e-07 0.0123");
    EXPECT_EQ(shellQuoted({"kestrel-genome", "-o", "my out", "--name", "it's", "a/b.gb", ""}),
              "kestrel-genome -o 'my out' --name 'it'\\''s' a/b.gb ''");
}

TEST(ReportData, ColumnsOfATableByLabel) {
    const std::string text = "source\tGene\tENC\tGene\r\nx\tthrL\t25.5\tdup\r\n\ny\tthrA\r\nz\ta\tNA\tb\tc\textra\n";
    const std::vector<std::string> labels{"ENC", "Gene", "missing"};
    const TsvColumns table = readTsvColumns(text, labels);
    ASSERT_EQ(table.rows, 3u);
    EXPECT_EQ(table.present, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(table.cells[1], (std::vector<std::string_view>{"thrL", "thrA", "a"}));  // the first Gene column
    EXPECT_EQ(table.cells[0], (std::vector<std::string_view>{"25.5", "", "NA"}));     // a short row's cell is empty
    EXPECT_EQ(table.column(labels, "missing"), nullptr);
    EXPECT_EQ(cellNumber("25.5"), 25.5);
    for (const std::string_view cell : {"NA", "", "nan", "inf", "1x", " 1"}) EXPECT_FALSE(cellNumber(cell)) << cell;
}

TEST(ReportData, QuartilesInterpolateAsKestrelTableTakesTheMedian) {
    const auto s = spreadOf({4, 1, 3, 2});
    ASSERT_TRUE(s);
    EXPECT_EQ(std::tuple(s->n, s->min, s->q1, s->median, s->q3, s->max), std::tuple(4u, 1.0, 1.75, 2.5, 3.25, 4.0));
    const auto one = spreadOf({7});
    EXPECT_EQ(std::tuple(one->q1, one->median, one->q3), std::tuple(7.0, 7.0, 7.0));
    EXPECT_FALSE(spreadOf({}));
}

TEST(ReportData, ExclusionsFollowTheRulesOfTheRun) {
    const std::string text = "Gene\tnoStart\tnoStop\tpreStop\tAlt\tBadCdns\n"
                             "a\tyes\tno\tno\tno\t0\n"
                             "b\tno\tyes\tyes\tno\t0\n"
                             "c\tno\tno\tno\tyes\t2\n"
                             "d\tno\tno\tno\tno\t0\n";
    const std::vector<std::string> labels{"Gene", "noStart", "noStop", "preStop", "Alt", "BadCdns"};
    const TsvColumns table = readTsvColumns(text, labels);
    const auto counts = [](const Exclusions& x) {
        return std::vector<std::int64_t>{x.noStart, x.noStop, x.badCodons, x.alternative, x.prematureStop, x.genes};
    };
    RunSettings settings;  // rules 1, 2, 3 and 5 on
    EXPECT_EQ(counts(exclusionsOf(table, labels, settings)), (std::vector<std::int64_t>{1, 1, 1, 0, 1, 3}));
    settings.allCodonsMustBeGood = settings.startCodonRequired = false;  // off, bad codons and starts pass
    settings.noAlternativeCds = true;
    EXPECT_EQ(counts(exclusionsOf(table, labels, settings)), (std::vector<std::int64_t>{0, 1, 0, 1, 1, 2}));
    settings = RunSettings{};
    settings.startCodonRequired = false;  // rule 3 still excludes a gene without a valid start
    EXPECT_EQ(counts(exclusionsOf(table, labels, settings))[0], 1);
}

TEST(ReportData, EndsOfAnIndexLeaveOutGenesWithoutAValue) {
    const std::vector<std::optional<double>> values{0.5, std::nullopt, 0.9, 0.1, 0.9, 0.3};
    const Ends two = endsOf(values, 2);
    EXPECT_EQ(two.highest, (std::vector<std::size_t>{2, 4}));  // a tie in row order
    EXPECT_EQ(two.lowest, (std::vector<std::size_t>{3, 5}));
    EXPECT_EQ(endsOf(values, 10).highest.size(), 5u);
}

// A genome whose annotation names its organism, genes and products with markup gets them on its page as text.
GenomeReport hostileGenome(reference::GenomeGenes& genes, std::string& table) {
    reference::ReferenceGene gene;
    gene.gene = "<img src=x onerror=alert(1)>";
    gene.product = "</td><script>alert('product')</script>";
    gene.codons = 120;
    genes.genes.push_back(gene);
    table = "source\tGene\tnoStart\tnoStop\tpreStop\tAlt\tBadCdns\tDegenCdns\tMetTrp\tENC\tGC3\tCAI\n";
    for (int i = 0; i < 45; ++i)
        table += "g\t" + (i == 0 ? std::string("<img_src=x_onerror=alert(1)>") : "gene" + std::to_string(i)) +
                 "\tno\tno\tno\tno\t0\t110\t10\t" + std::to_string(30 + i % 20) + "\t0.5\t" + std::to_string(0.2 + i / 100.0) + "\n";
    GenomeReport r;
    r.name = "g&<name>";
    r.organism = "Bad <script>alert('organism')</script> coli";
    r.inputs = {"/data/<x>.gb"};
    r.command = {"kestrel-genome", "-o", "out", "/data/<x>.gb"};
    r.genesTable = table;
    r.genes = &genes;
    r.rows = 45;
    r.entries = 45;
    r.reference = ReportReference{};
    r.reference->result.emplace();
    r.reference->result->members = {0};
    r.reference->used = true;
    r.reference->how.method = "genes: the genes named in <list>";
    r.reference->result->warnings = {"a <warning>"};
    r.enc = ReportFigure{"g.svg", "<?xml version=\"1.0\"?><svg id=\"a\" width=\"10\" height=\"10\"><text>ok</text></svg>"};
    return r;
}

TEST(GenomeReport, NamesFromTheInputsAreTextNeverMarkup) {
    reference::GenomeGenes genes;
    std::string table;
    const std::string page = renderGenomeReport(hostileGenome(genes, table));
    for (const char* markup : {"<script", "<img", "</td><script", "<x>", "<list>", "<warning>", "<name>"})
        EXPECT_EQ(page.find(markup), std::string::npos) << markup;
    for (const char* text : {"Bad &lt;script&gt;alert(&#39;organism&#39;)&lt;/script&gt; coli",
                             "&lt;/td&gt;&lt;script&gt;alert(&#39;product&#39;)&lt;/script&gt;",
                             "&lt;img_src=x_onerror=alert(1)&gt;", "a &lt;warning&gt;"})
        EXPECT_NE(page.find(text), std::string::npos) << text;
    // The figure stands in the page without its XML declaration, its id its own.
    EXPECT_EQ(page.find("<?xml"), std::string::npos);
    EXPECT_NE(page.find("<svg id=\"enc-a\""), std::string::npos);
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
    EXPECT_TRUE(page.ends_with("</html>\n"));
}

TEST(GenomeReport, SectionsWithoutTheirDataAreLeftOutOrSaySo) {
    reference::GenomeGenes genes;
    std::string table;
    GenomeReport r = hostileGenome(genes, table);
    std::string page = renderGenomeReport(r);
    EXPECT_EQ(page.find("id=\"comparison\""), std::string::npos);  // no comparison: no section, no link
    EXPECT_EQ(page.find("href=\"#comparison\""), std::string::npos);
    EXPECT_NE(page.find("Highest CAI"), std::string::npos);
    EXPECT_NE(page.find("No prediction was made"), std::string::npos);
    r.comparison = ReportComparison{"56 genes against 4242: 12 codons differ", "g.compare.tsv", "g.compare.svg",
                                    "<svg><rect/></svg>"};
    r.reference.reset();
    r.referenceChoice = "none";
    page = renderGenomeReport(r);
    EXPECT_NE(page.find("<section id=\"comparison\">"), std::string::npos);
    EXPECT_NE(page.find("56 genes against 4242"), std::string::npos);
    EXPECT_NE(page.find("--reference none"), std::string::npos);
}

class RunReportFiles : public InScratchFolder {};

TEST_F(RunReportFiles, GenomesLinkToTheirPagesAndFailuresNameTheirLogs) {
    const std::string root = dir_.string();
    std::filesystem::create_directories(root + "/out");
    std::ofstream(root + "/out/a&b.genome.tsv") << "source\torganism\tgenome_type\td\td_lower\td_upper\n"
                                                   "a&b\t<i>Bad</i>\tprokaryote\t0.7\t0.6\t0.8\n";
    std::ofstream(root + "/out/a&b.report.html") << "page";
    std::ofstream(root + "/out/c.genome.tsv") << "source\torganism\nc\tNA\n";
    std::ofstream(root + "/failed.tsv") << "# genome, log\nzz\t" + root + "/zz.log\nyy\t" + root + "/nolog.log\tgiven\n";
    std::ofstream(root + "/zz.log") << "reading\nkestrel-genome: zz: FAILED: <cut> file\nlast line\n";
    RunReportRequest request;
    request.output = root + "/out/report.html";
    request.inputs = {root + "/out"};
    request.failures = {root + "/failed.tsv"};
    const RunReport report = gatherRunReport(request);
    ASSERT_EQ(report.genomes.size(), 2u);
    EXPECT_EQ(report.genomes[0].page, "a%26b.report.html");
    EXPECT_EQ(report.genomes[1].page, "");  // no page beside c's table
    EXPECT_EQ(report.genomes[0].d, 0.7);
    ASSERT_EQ(report.failures.size(), 2u);
    EXPECT_EQ(report.failures[0].reason, "kestrel-genome: zz: FAILED: <cut> file");
    EXPECT_EQ(report.failures[0].logLink, "../zz.log");
    EXPECT_EQ(std::tuple(report.failures[1].reason, report.failures[1].logLink), std::tuple("given", ""));
    const std::string page = renderRunReport(report);
    for (const char* markup : {"<i>Bad", "<cut>"}) EXPECT_EQ(page.find(markup), std::string::npos) << markup;
    EXPECT_NE(page.find("href=\"a%26b.report.html\""), std::string::npos);
    EXPECT_NE(page.find("id=\"growth\""), std::string::npos);  // the doubling times drawn
    request.inputs = {root + "/failed.tsv"};
    EXPECT_THROW(gatherRunReport(request), ToolFailure);  // a table without a source column
}

}  // namespace
}  // namespace kestrel::report
