#include "kestrel-compare/compare_tool.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "output_files.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

// a.kstl: g1 (GCA x 4), g2 (GCG x 4, moved to contig 2), g3 (GCA x 2, GCG x 2); b.kstl: h1, h2 (AAA and AAG).
class CompareTool : public ToolTest<runCompareTool> {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        RunSettings settings = bareSettings();
        settings.codonUsageOutput = true;
        std::string a = sample::outputFile(settings, {{"g1", "s.gb", {}, 0}, {"g2", "s.gb", {}, 4}, {"g3", "s.gb", {}, 2}}, 3);
        const std::size_t g2 = a.find("\ng2 ") + 1;
        a[a.find(" 1 ", g2 + 31 + 4) + 1] = '2';  // the Contig cell, after the Gene and File cells
        writeFile("a.kstl", a);
        writeFile("b.kstl", sample::outputFile(settings, {{"h1", "s.gb", {}, 1, "AAA"}, {"h2", "s.gb", {}, 3, "AAA"}}, 2));
        writeFile("list.txt", "# set A\ng1\n\n  missing  \n");
    }
    // The table's rows of one kind and amino acid (and codon).
    std::vector<std::string> rows(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : lines(out_.str()))
            if (line.starts_with(prefix)) found.push_back(line);
        return found;
    }
};

// g1 against g2 and g3: Ala's GCA and GCG are [[4, 0], [2, 6]]. Fisher: the tables of these margins have
// 28, 224, 420, 224, 28 of 924 for x = 0 .. 4, p = 56/924; the odds ratio is infinite, its log2 with 0.5 added
// (4.5 x 6.5) / (0.5 x 2.5). Chi-square: expected 2, 2, 4, 4, chi2 = 6. Distance: shares (1, 0) against
// (1/4, 3/4), half of 1.5.
TEST_F(CompareTool, HandWorkedComparisonOfAGeneListWithTheRest) {
    ASSERT_EQ(run({"-a", "genes:list.txt", "--permutations", "99", "a.kstl"}), 0) << err_.str();
    const auto table = lines(out_.str());
    ASSERT_EQ(table.size(), 1u + 1u + 18u + 59u);
    EXPECT_EQ(table[0], "kind\tamino_acid\tcodon\tcount_a\tcount_b\trscu_a\trscu_b\todds_ratio\tlog2_odds_ratio\tp\tq\t"
                        "chi2\tdf\tdistance\tpermutations\tseed\tgenes_a\tgenes_b");
    EXPECT_TRUE(table[1].starts_with("overall\t\t\t4\t8\t\t\t\t\t0.")) << table[1];
    EXPECT_TRUE(table[1].ends_with("\t\t\t\t0.750000\t99\t1\t1\t2")) << table[1];
    char p[32];
    std::snprintf(p, sizeof p, "%.12g", 56.0 / 924);
    char log2[32];
    std::snprintf(log2, sizeof log2, "%.4f", std::log2(4.5 * 6.5 / 1.25));
    EXPECT_EQ(rows("codon\tAla\tGCA\t"),
              std::vector<std::string>{std::string("codon\tAla\tGCA\t4\t2\t4.0000\t1.0000\tinf\t") + log2 + "\t" + p +
                                       "\t" + p + "\t\t\t\t\t\t\t"});
    EXPECT_EQ(rows("codon\tAla\tGCC\t"), std::vector<std::string>{"codon\tAla\tGCC\t0\t0\t0.0000\t0.0000\tNA\tNA\tNA\tNA"
                                                                  "\t\t\t\t\t\t\t"});
    std::snprintf(p, sizeof p, "%.12g", std::erfc(std::sqrt(3.0)));
    EXPECT_EQ(rows("amino_acid\tAla\t"),
              std::vector<std::string>{std::string("amino_acid\tAla\t\t4\t8\t\t\t\t\t") + p + "\t\t6.0000\t1\t\t\t\t\t"});
    EXPECT_EQ(rows("amino_acid\tLys\t"), std::vector<std::string>{"amino_acid\tLys\t\t0\t0\t\t\t\t\tNA\t\tNA\tNA\t\t\t\t\t"});
    EXPECT_NE(err_.str().find("warning: 1 names of list.txt name no gene of the output files"), std::string::npos);
    EXPECT_NE(err_.str().find("set A 1 genes, set B 2 genes; 2 codons tested, 0 with q < 0.05"), std::string::npos)
        << err_.str();
    // Of the three genes as set A, two give the observed distance: p near 2/3, the same for the same seed.
    const std::string first = rows("overall")[0];
    ASSERT_EQ(run({"-a", "genes:list.txt", "--permutations", "99", "a.kstl"}), 0);
    EXPECT_EQ(rows("overall")[0], first);
    const double permutationP = std::stod(first.substr(first.find("\t\t\t\t\t") + 5));
    EXPECT_GT(permutationP, 0.5);
    EXPECT_LT(permutationP, 0.85);
}

// The sets by file, by contig and against a copy of themselves; the figure marks what q < alpha.
TEST_F(CompareTool, SetsByFileContigAndACopyOfItself) {
    ASSERT_EQ(run({"-a", "file:a.kstl", "-b", "file:b.kstl", "--permutations", "0"}), 0) << err_.str();
    EXPECT_TRUE(rows("overall")[0].starts_with("overall\t\t\t12\t8\t\t\t\t\tNA\t")) << out_.str();
    ASSERT_EQ(run({"-a", "contig:2", "-o", "c.tsv", "--figure", "c.svg", "--alpha", "0.2", "a.kstl", "b.kstl"}), 0)
        << err_.str();
    const std::string table = readFile("c.tsv"), figure = readFile("c.svg");
    EXPECT_NE(table.find("\t0.750000\t1000\t1\t1\t4\n"), std::string::npos) << table;
    EXPECT_TRUE(out_.str().empty());
    EXPECT_TRUE(figure.starts_with("<?xml") && figure.ends_with("</svg>\n"));
    EXPECT_EQ(occurrences(figure, "fill=\"#c0392b\">*</text>"), 2u);  // GCA and GCG
    EXPECT_NE(figure.find("A: contig:2 (1 genes); B: every other gene (4 genes)"), std::string::npos);
    // A set against a copy of itself: nothing differs.
    fs::copy_file("a.kstl", "copy.kstl");
    ASSERT_EQ(run({"-a", "file:a.kstl", "-b", "file:copy.kstl", "a.kstl"}), 0) << err_.str();
    std::size_t tested = 0;
    for (const std::string& row : rows("codon\t")) {
        const auto cells = tabCells(row);
        if (cells[9] == "NA") continue;
        ++tested;
        EXPECT_EQ(cells[9] + " " + cells[10], "1 1") << row;  // p and q
    }
    EXPECT_EQ(tested, 2u);
    EXPECT_TRUE(rows("overall")[0].starts_with("overall\t\t\t12\t12\t\t\t\t\t1\t")) << rows("overall")[0];
}

TEST_F(CompareTool, BadSetsAndCommandLines) {
    writeFile("other.kstl", sample::outputFile([] {
        RunSettings s = bareSettings();
        s.codonUsageOutput = true;
        s.geneticCode = *geneticCodeOf(4);
        return s;
    }(), {{"k1"}}, 1));
    writeFile("plain.kstl", sample::outputFile(bareSettings(), {{"p1"}}, 1));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"a.kstl"}, 2, "no set A (-a SET)"},
        {{"-a", "gene:list.txt", "a.kstl"}, 2, "a set is genes:FILE, reference:FILE, file:OUTPUT.kstl or contig:ID"},
        {{"-a", "contig:1"}, 2, "no output file named"},
        {{"-a", "contig:1", "--permutations", "-1", "a.kstl"}, 2, "--permutations takes a whole number"},
        {{"-a", "contig:1", "--alpha", "1", "a.kstl"}, 2, "--alpha takes a number between 0 and 1"},
        {{"-a", "genes:list.txt", "-o", "list.txt", "a.kstl"}, 2, "the output file list.txt is the input file list.txt"},
        {{"-a", "contig:1", "-o", "t.tsv", "--figure", "./t.tsv", "a.kstl"}, 2, "-o and --figure name the same file"},
        {{"-a", "contig:9", "a.kstl"}, 1, "the set contig:9 holds no gene of the output files"},
        {{"-a", "file:a.kstl", "a.kstl"}, 1, "every gene of the output files is in the set file:a.kstl"},
        {{"-a", "contig:1", "-b", "genes:list.txt", "a.kstl"}, 1, "the gene g1 of a.kstl is in both sets"},
        {{"-a", "reference:list.txt", "a.kstl"}, 1, "list.txt: not a kestrel-reference table"},
        {{"-a", "genes:list.txt", "a.kstl", "other.kstl"}, 1, "other.kstl: its genes were read with genetic code 4"},
        {{"-a", "genes:list.txt", "a.kstl", "plain.kstl"}, 1, "plain.kstl: has no codon counts"},
        {{"-a", "genes:none.txt", "a.kstl"}, 1, "none.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << c.message;
        EXPECT_NE(err_.str().find("kestrel-compare: " + c.message), std::string::npos) << c.message << ": " << err_.str();
        EXPECT_FALSE(fs::exists("t.tsv"));
    }
    // A kestrel-reference table names its genes by locus_tag, gene or protein_id.
    writeFile("rp.reference.tsv", "kind\tfile\trecord\tlocus_tag\tgene\tprotein_id\tproduct\tcodons\n"
                                  "gene\tx.gb\tr\tb0001\tg3\tP1\tribosomal protein\t4\n"
                                  "codon\t\t\t\t\t\t\t\n");
    ASSERT_EQ(run({"-a", "reference:rp.reference.tsv", "a.kstl"}), 0) << err_.str();
    EXPECT_NE(err_.str().find("set A 1 genes, set B 2 genes"), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().find("warning"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
