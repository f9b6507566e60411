#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "kestrel-coa/coa_tool.hpp"
#include "output_files.hpp"
#include "output/gene_row.hpp"
#include "output/output_header.hpp"
#include "output/run_summary.hpp"
#include "test_support.hpp"
#include "tools/coa_figure.hpp"
#include "tools/coa_reference.hpp"

namespace kestrel {
namespace {

struct CountedGene {
    std::string name;
    std::string counts;  // "codon count" pairs
};

// An output file with codon usage output whose genes have the given codon counts, under
// genetic code `code`; without its end-of-run summary when cut.
std::string countsFile(const std::vector<CountedGene>& genes, int code = 1, bool cut = false) {
    RunSettings settings;
    settings.codonUsageOutput = true;
    settings.geneticCode = *geneticCodeOf(code);
    std::ostringstream out;
    writeOutputHeader(out, settings);
    for (const CountedGene& gene : genes) {
        GeneRecord record;
        std::tie(record.gene, record.file, record.contig, record.cds, record.nExons) =
            std::tuple(gene.name, "s.gb", 1, std::vector<std::int32_t>{11, 22}, 1);
        std::tie(record.beforeSpace, record.afterSpace, record.altCDSFirst, record.altCDSlast) =
            std::tuple(UnlimitedSpace, UnlimitedSpace, 11, 22);
        GeneCounts counts;
        counts.codonCount = codonCounts(gene.counts);
        for (int c = 0; c < 64; ++c) counts.positionBase[2][c % 4] += counts.codonCount[c];
        writeGeneRow(out, record, counts, {}, settings);
    }
    CumulativeCounts cumulative;
    cumulative.genesIncluded = static_cast<std::int64_t>(genes.size());
    if (!cut) writeRunSummary(out, cumulative, settings.geneticCode);
    return out.str();
}

// The four genes of the within-amino-acid analysis checked against ade4 in the analysis
// tests, the first two in one file, then a gene of Met and Trp only, then the last two.
void writeFourGenes() {
    writeFile("a.kstl", countsFile({{"g1", "AAA 5 AAG 1 GAA 3 GAG 2 GAC 4 GAT 4"},
                                    {"g2", "AAA 1 AAG 6 GAA 2 GAG 5 GAC 3 GAT 1"}}));
    writeFile("b.kstl", countsFile({{"met", "ATG 7 TGG 2"},
                                    {"g3", "AAA 2 AAG 2 GAA 6 GAG 1 GAC 1 GAT 5"},
                                    {"g4", "AAA 4 AAG 3 GAA 1 GAG 1 GAC 2 GAT 2"}}));
}

// What follows the source, gene and row cells of a genes table's line.
std::string coordinatesOf(const std::string& line) {
    std::size_t at = 0;
    for (int tab = 0; tab < 3; ++tab) at = line.find('\t', at) + 1;
    return line.substr(at);
}

class CoaTool : public ToolTest<runCoaTool> {};

TEST_F(CoaTool, TablesOfTwoFilesInTheirOrderWithTheGeneWithoutCodonsLeftOut) {
    writeFourGenes();
    ASSERT_EQ(run({"-o", "x", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_NE(err_.str().find("b.kstl: 1 of 3 genes left out"), std::string::npos) << err_.str();
    // Eigenvalues and coordinates as ade4 gives them (see the analysis tests), the axes
    // turned by their own rule; 6 codons less 3 amino acids.
    EXPECT_EQ(readFile("x.eigen.tsv"),
              "axis\teigenvalue\tinertia_share\tcumulative_share\n"
              "1\t0.1734835354\t0.74207641\t0.74207641\n"
              "2\t0.06026538604\t0.25778539\t0.99986180\n"
              "3\t3.230752671e-05\t0.00013820\t1.00000000\n");
    const auto genes = lines(readFile("x.genes.tsv"));
    ASSERT_EQ(genes.size(), 5u);
    EXPECT_EQ(genes[0], "source\tgene\trow\taxis1\taxis2\taxis3");
    EXPECT_EQ(genes[1].substr(0, 22), "a.kstl\tg1\t1\t-0.1923221");
    EXPECT_EQ(genes[3].substr(0, 22), "b.kstl\tg3\t2\t-0.4486461");
    // Every codon of the synonymous amino acids, in codon order; those no gene uses have no coordinates.
    const auto codons = lines(readFile("x.codons.tsv"));
    ASSERT_EQ(codons.size(), 60u);
    EXPECT_EQ(codons[1].substr(0, 20), "AAA\tLys\t-0.40216058\t");
    EXPECT_EQ(codons[3], "AAC\tAsn\tNA\tNA\tNA");
    EXPECT_NE(readFile("x.svg").find("Axis 1 (74.2% of the inertia)"), std::string::npos);
}

TEST_F(CoaTool, AxesOptionsAminoAcidsAndSupplementaryGenes) {
    writeFourGenes();
    writeFile("c.kstl", countsFile({{"again", "AAA 10 AAG 2 GAA 6 GAG 4 GAC 8 GAT 8"}, {"pro", "CCC 4"}}));
    ASSERT_EQ(run({"-o", "y", "--axes", "2", "--axes", "2,1", "--supplementary", "c.kstl", "a.kstl", "b.kstl"}), 0);
    // The gene of g1's profile lands on g1; one of codons no fitted gene uses cannot be placed.
    const auto genes = lines(readFile("y.genes.tsv"));
    const auto extra = lines(readFile("y.supplementary.tsv"));
    ASSERT_EQ(extra.size(), 2u);
    EXPECT_EQ(extra[0], "source\tgene\trow\taxis1\taxis2");
    EXPECT_EQ(coordinatesOf(extra[1]), coordinatesOf(genes[1]));
    EXPECT_EQ(extra[1].substr(0, 15), "c.kstl\tagain\t1\t");
    EXPECT_NE(err_.str().find("c.kstl: 1 supplementary genes left out"), std::string::npos) << err_.str();
    // Axis 2 across, axis 1 up.
    EXPECT_NE(readFile("y.svg").find(">Axis 2 (25.8% of the inertia)</text>\n<text x=\"28.00\""), std::string::npos);

    ASSERT_EQ(run({"-o", "z", "--on", "aa", "a.kstl", "b.kstl"}), 0);
    const auto aminoAcids = lines(readFile("z.codons.tsv"));
    ASSERT_EQ(aminoAcids.size(), 21u);
    EXPECT_EQ(aminoAcids[1].substr(0, 7), "NA\tAla\t");
    // Met and Trp take part in the amino-acid table: the third gene is no longer left out.
    EXPECT_EQ(lines(readFile("z.genes.tsv")).size(), 6u);
}

TEST_F(CoaTool, InputsItCannotUseAndWrongCommandLines) {
    writeFourGenes();
    RunSettings plain = bareSettings();
    writeFile("nocounts.kstl", sample::outputFile(plain, {{"g"}, {"h"}}, 2));
    writeFile("mito.kstl", countsFile({{"m1", "AAA 2 AAG 1"}, {"m2", "AAA 1 AAG 2"}}, 2));
    writeFile("cut.kstl", countsFile({{"c1", "AAA 2 AAG 1"}, {"c2", "AAA 1 AAG 3"}}, 1, true));
    writeFile("same.kstl", countsFile({{"s1", "AAA 2 AAG 1"}, {"s2", "AAA 4 AAG 2"}}));
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"-o", "x", "nocounts.kstl"}, 1, "has no codon counts"},
        {{"-o", "x", "a.kstl", "mito.kstl"}, 1, "mito.kstl: its genes were read with genetic code 2"},
        {{"-o", "x", "cut.kstl"}, 1, "cut.kstl: ends before its end-of-run summary"},
        {{"-o", "x", "same.kstl"}, 1, "does not differ"},
        {{"-o", "x", "--axes", "1,4", "a.kstl", "b.kstl"}, 1, "the figure asks for axis 4, but the analysis has 3 axes"},
        {{"-o", "x", "missing.kstl"}, 1, "missing.kstl: cannot be opened"},
        {{"-o", "x", "--on", "codons", "a.kstl"}, 2, "--on takes within, counts, rscu or aa"},
        {{"-o", "x", "--axes", "0", "a.kstl"}, 2, "--axes takes"},
        {{"-o", "x", "--axes", "2,2", "a.kstl"}, 2, "two different axes"},
        {{"-o", "x", "--colour", "red", "a.kstl"}, 2, "--colour takes"},
        {{"-o", "x", "-"}, 2, "standard input"},
        {{"-o", "x", "a.kstl", "x.genes.tsv"}, 2, "the output file x.genes.tsv is the input file"},
        {{"-o", "a", "a.kstl"}, 0, ""},  // a.eigen.tsv ... are not a.kstl
        {{"-o", "x", "--supplementary", "x.genes.tsv", "a.kstl"}, 2, "the output file x.genes.tsv is the input file"},
    };
    writeFile("x.genes.tsv", "old\n");
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << c.args.back() << ": " << err_.str();
        EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    }
    // Nothing was written over by the failed runs; the file cut short is taken when allowed.
    EXPECT_EQ(readFile("x.genes.tsv"), "old\n");
    EXPECT_EQ(run({"-o", "x", "--allow-incomplete", "cut.kstl"}), 0);
    EXPECT_NE(err_.str().find("warning: cut.kstl"), std::string::npos);
}

TEST_F(CoaTool, FigureColouredByGc3OrByTheReferenceSet) {
    writeFourGenes();
    writeFile("set.txt", "# highly expressed\ng3\n  g1 \n");
    ASSERT_EQ(run({"-o", "r", "--colour", "reference:set.txt", "--codons", "overlay", "a.kstl", "b.kstl"}), 0);
    const std::string svg = readFile("r.svg");
    EXPECT_NE(svg.find("reference set (2 genes)"), std::string::npos);
    EXPECT_EQ(occurrences(svg, "<circle"), 4u + 2u);  // the genes and the legend's two marks
    EXPECT_EQ(occurrences(svg, ">GAT</text>"), 1u);
    // GC3 of the genes 7/19, 14/18, 4/17, 6/13: the scale runs from the lowest to the highest.
    ASSERT_EQ(run({"-o", "g", "a.kstl", "b.kstl"}), 0);
    EXPECT_NE(readFile("g.svg").find(">0.235</text>"), std::string::npos);
    EXPECT_NE(readFile("g.svg").find(">0.778</text>"), std::string::npos);
    // Without values or names to colour by, the figure is drawn all the same, with a warning.
    EXPECT_EQ(run({"-o", "c", "--colour", "cai", "a.kstl", "b.kstl"}), 0);
    EXPECT_NE(err_.str().find("warning: no gene has a value of CAI"), std::string::npos) << err_.str();
    writeFile("nobody.txt", "nobody\n");
    run({"-o", "n", "--colour", "reference:nobody.txt", "a.kstl"});
    EXPECT_NE(err_.str().find("no gene of the analysis"), std::string::npos);
}

TEST(CoaFigure, ManyGenesAreDrawnAsAGridOfCells) {
    CoaFigure figure;
    figure.title = "a<b";
    figure.shares = {0.5, 0.25};
    for (std::size_t i = 0; i <= CoaFigureMostPoints; ++i)
        figure.genes.push_back({static_cast<float>(i % 100), static_cast<float>(i % 37), 0.5f, true, false});
    const std::string svg = renderCoaSvg(figure);
    EXPECT_EQ(occurrences(svg, "<circle"), 0u);
    EXPECT_GT(occurrences(svg, "<rect"), 1000u);
    EXPECT_LT(svg.size(), 1000000u);
    EXPECT_NE(svg.find("a&lt;b"), std::string::npos);
}

TEST(CoaReferenceSet, TheEndOfTheRibosomalGenesOrOfLowerEnc) {
    // Ten genes of mixed usage and ten biased to one codon of each amino acid: axis 1 sets
    // the biased ones apart, and their ENC is the lower.
    std::vector<GeneCodonCounts> genes;
    for (int i = 0; i < 20; ++i) {
        const bool biased = i >= 10;
        genes.push_back(codonCounts(biased ? "AAA 20 AAG 1 GAA 20 GAG 1 GAC 1 GAT 18 CTG 30 TTA 1 GGC 20 GGT 1"
                                           : "AAA 8 AAG 9 GAA 10 GAG 9 GAC 8 GAT 9 CTG 6 TTA 5 CTT 6 GGC 5 GGT 6"));
        genes.back()[codon("GCA")] = i;  // no two genes alike
    }
    RunSettings settings;
    std::vector<bool> none(genes.size(), false), ribosomal = none;
    const CoaReferenceSet byEnc = coaReferenceSet(genes, none, settings, 0.25);
    EXPECT_EQ(byEnc.members.size(), 5u);
    for (const std::size_t g : byEnc.members) EXPECT_GE(g, 10u);
    ASSERT_TRUE(byEnc.negativeEnc && byEnc.positiveEnc);
    EXPECT_LT(byEnc.positiveEnd ? *byEnc.positiveEnc : *byEnc.negativeEnc,
              byEnc.positiveEnd ? *byEnc.negativeEnc : *byEnc.positiveEnc);
    // Ribosomal genes among the mixed ones take the set to their end, whatever the ENC.
    ribosomal[0] = ribosomal[1] = true;
    const CoaReferenceSet byRibosomal = coaReferenceSet(genes, ribosomal, settings, 0.25);
    EXPECT_EQ(byRibosomal.ribosomal, 2u);
    EXPECT_NE(byRibosomal.positiveEnd, byEnc.positiveEnd);
    for (const std::size_t g : byRibosomal.members) EXPECT_LT(g, 10u);
    EXPECT_NE(coaReferenceNotes(byRibosomal)[1].find("the 2 ribosomal-protein genes"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
