// The growth rows of small made-up genomes: the HE rules, the filter, the warnings, and
// kestrel-growth on files.
#include <gtest/gtest.h>

#include <sstream>

#include "kestrel-growth/growth_tool.hpp"
#include "test_support.hpp"
#include "tools/growth_genome.hpp"

namespace kestrel {
namespace {

using reference::ReferenceGene;

// A gene of ATG, n codons drawn from pool by a fixed sequence of the seed, and TAA.
std::string geneLetters(const std::vector<std::string>& pool, int n, unsigned seed) {
    std::string letters = "ATG";
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        letters += pool[(seed >> 16) % pool.size()];
    }
    return letters + "TAA";
}

const std::vector<std::string> Preferred{"AAA", "GCT", "GAA", "CGT", "GGT", "ACT", "GTT", "TTC"};
const std::vector<std::string> AnyCodon{"AAA", "AAG", "GCT", "GCC", "GCA", "GCG", "GAA", "GAG", "CGT", "CGC",
                                        "AGA", "GGT", "GGC", "GGA", "ACT", "ACC", "ACA", "GTT", "GTC", "GTA",
                                        "TTC", "TTT", "CAA", "CAG", "AAC", "AAT", "TTA", "CTT"};

ReferenceGene gene(const std::string& letters, const std::string& product, const std::string& locusTag) {
    ReferenceGene g;
    g.letters = letters;
    g.product = product;
    g.locusTag = locusTag;
    reference::countCodons(letters, g.codonCount);
    return g;
}

// he ribosomal-protein genes (biased to Preferred when fast), 40 others, a short gene and
// one with an N.
std::vector<ReferenceGene> genome(int he, bool fast) {
    std::vector<ReferenceGene> genes;
    for (int i = 0; i < he; ++i)
        genes.push_back(gene(geneLetters(fast ? Preferred : AnyCodon, 150, 7u * i + 1),
                             "50S ribosomal protein L" + std::to_string(i + 1), "rp" + std::to_string(i)));
    for (int i = 0; i < 40; ++i)
        genes.push_back(gene(geneLetters(AnyCodon, 120 + i, 11u * i + 5), "hypothetical protein",
                             "g" + std::to_string(i)));
    genes.push_back(gene(geneLetters(AnyCodon, 60, 3), "50S ribosomal protein L36", "short"));
    genes.push_back(gene(geneLetters(AnyCodon, 100, 4) + "N", "protein", "withN"));
    return genes;
}

bool warns(const GrowthRow& row, const std::string& part) {
    for (const std::string& w : row.warnings)
        if (w.find(part) != std::string::npos) return true;
    return false;
}

TEST(GrowthGenome, HeaderRules) {
    const std::pair<const char*, std::array<bool, 2>> headers[] = {  // training, refined
        {"x [protein=50S ribosomal protein L2]", {true, true}},
        {"x [protein=50S RIBOSOMAL PROTEIN L2]", {true, true}},
        {"x [protein=50S ribosomal protein L11 methyltransferase]", {true, false}},
        {"x [protein=50S ribosomal protein L16 3-hydroxylase]", {true, false}},
        {"x [protein=ribosomal protein S18-alanine N-acetyltransferase]", {true, false}},
        {"x [protein=30S ribosomal subunit protein S1]", {false, false}},
        {"x [gene=rimM] [protein=ribosome maturation factor]", {false, false}}};
    for (const auto& [header, selected] : headers) {
        EXPECT_EQ(headerSelects(HeRule::Training, header), selected[0]) << header;
        EXPECT_EQ(headerSelects(HeRule::Refined, header), selected[1]) << header;
    }
    ReferenceGene named;
    named.gene = "rplB", named.locusTag = "b3317", named.product = "50S ribosomal subunit protein L2";
    EXPECT_EQ(headerOf(named), "[gene=rplB] [locus_tag=b3317] [protein=50S ribosomal subunit protein L2]");
    named.header = "lcl|x [protein=y]";
    EXPECT_EQ(headerOf(named), "lcl|x [protein=y]");
}

TEST(GrowthGenome, RulesFilterAndPrediction) {
    const std::vector<ReferenceGene> genes = genome(12, true);
    const GrowthRow row = growthOf(genes, {});
    EXPECT_EQ(row.filteredSequences, 2);
    EXPECT_EQ(row.nHe, 12);
    ASSERT_TRUE(row.d && row.dLower && row.dUpper);
    EXPECT_LT(*row.dLower, *row.d);
    EXPECT_LT(*row.d, *row.dUpper);
    EXPECT_LT(*row.d, 5.0);
    EXPECT_TRUE(row.warnings.empty());
    EXPECT_EQ(growthCells(row).size(), growthColumns().size());
    EXPECT_EQ(growthCells(row)[9], "ribosomal");
    EXPECT_EQ(growthCells(row)[10], "base");

    // The names' header under the header rules; the temperature model.
    EXPECT_EQ(growthOf(genes, {HeRule::Training}).nHe, 12);
    const GrowthRow warm = growthOf(genes, {HeRule::Refined, "", 25.0});
    EXPECT_EQ(warm.nHe, 12);
    EXPECT_EQ(warm.model, "temperature:25");
    EXPECT_NE(warm.d, row.d);

    // A list: names of several kinds, comments, and a name of no gene.
    const GrowthRow listed = growthOf(genes, {HeRule::Genes, "# HE\nrp0\n  rp1 \nnone\nshort\n"});
    EXPECT_EQ(listed.nHe, 2);  // "short" is filtered out
    EXPECT_EQ(listed.heRule, "genes");
    EXPECT_TRUE(warns(listed, "1 of the 4 names of the gene list match no gene"));
    EXPECT_TRUE(warns(listed, "only 2 highly expressed genes"));
}

TEST(GrowthGenome, Warnings) {
    // No HE gene: NA in every cell that needs one, but the CPB.
    const GrowthRow none = growthOf(genome(0, true), {});
    EXPECT_EQ(none.nHe, 0);
    EXPECT_FALSE(none.cubHe || none.consistencyHe || none.d || none.dLower || none.dUpper);
    EXPECT_TRUE(none.cpb && none.cpbPlain);
    EXPECT_TRUE(warns(none, "no highly expressed gene"));
    const std::vector<std::string> cells = growthCells(none);
    EXPECT_EQ(cells[1] + cells[2] + cells[6] + cells[7] + cells[8], "NANANANANA");

    const GrowthRow few = growthOf(genome(3, true), {});
    EXPECT_TRUE(warns(few, "only 3 highly expressed genes (fewer than 10)"));
    // HE genes no different from the rest: a slow genome.
    const GrowthRow slow = growthOf(genome(12, false), {});
    ASSERT_TRUE(slow.d);
    EXPECT_GT(*slow.d, 5.0);
    EXPECT_TRUE(warns(slow, "d above 5 h"));
    // A genome read under code 4, with CDSs of another code left out.
    reference::GenomeGenes mixed;
    mixed.genes = genome(12, true);
    mixed.skipped.codeKept = 4;
    mixed.skipped.add(SkipReason::GeneticCode);
    const GrowthRow code4 = growthOf(mixed, GrowthOptions{});
    EXPECT_TRUE(warns(code4, "genetic code 4: the model was fitted to genomes of code 11"));
    EXPECT_TRUE(warns(code4, "1 CDSs of other genetic codes left out"));
    // Nothing passes the filter.
    const GrowthRow empty = growthOf({gene("ATGTAA", "50S ribosomal protein L2", "a")}, {});
    EXPECT_EQ(empty.filteredSequences, 1);
    EXPECT_FALSE(empty.cpb);
    EXPECT_TRUE(warns(empty, "no gene passes the filter"));
}

class GrowthTool : public ToolTest<runGrowthTool> {};

TEST_F(GrowthTool, CdsFastaRowsPseudoAndRefusals) {
    std::string fasta;
    const std::vector<ReferenceGene> genes = genome(12, true);
    for (std::size_t i = 0; i < genes.size(); ++i)
        fasta += ">lcl|NC_1_cds_" + std::to_string(i) + " [locus_tag=" + genes[i].locusTag + "] [protein=" +
                 genes[i].product + "]" + (i == 3 ? " [pseudo=true]" : "") + "\n" + genes[i].letters + "\n";
    writeFile("genome.fna", fasta);

    ASSERT_EQ(run({"-o", "out.tsv", "--cds-fasta", "genome.fna"}), 0) << err_.str();
    const auto table = lines(readFile("out.tsv"));
    const std::string &header = table.at(0), &row = table.at(1);
    EXPECT_EQ(header,
              "genome\tCUBHE\tConsistencyHE\tCPB\tFilteredSequences\tnHE\td\td_lower\td_upper\the_rule\tmodel\t"
              "CPB_plain\twarnings");
    EXPECT_EQ(row.substr(0, 7), "genome\t");
    EXPECT_NE(row.find("\t2\t11\t"), std::string::npos) << row;  // the pseudo gene left out
    EXPECT_NE(err_.str().find("1 pseudo and 0 partial CDSs left out"), std::string::npos) << err_.str();

    ASSERT_EQ(run({"--keep-pseudo", "--he", "refined", "--cds-fasta", "genome.fna"}), 0);
    EXPECT_NE(out_.str().find("\t2\t12\t"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("\trefined\tbase\t"), std::string::npos);

    // No HE gene is not a failure.
    writeFile("list", "nothing\n");
    ASSERT_EQ(run({"--he", "genes:list", "--cds-fasta", "genome.fna"}), 0);
    EXPECT_NE(out_.str().find("\tNA\tNA\tNA\tgenes\t"), std::string::npos) << out_.str();
    EXPECT_NE(err_.str().find("warning: no highly expressed gene"), std::string::npos);

    EXPECT_EQ(run({"--he", "ribosome", "--cds-fasta", "genome.fna"}), 2);
    EXPECT_EQ(run({"--temperature", "300", "--cds-fasta", "genome.fna"}), 2);
    EXPECT_EQ(run({"--he", "genes:missing", "--cds-fasta", "genome.fna"}), 1);
    EXPECT_EQ(run({"-o", "genome.fna", "--cds-fasta", "genome.fna"}), 2);
    EXPECT_EQ(readFile("genome.fna"), fasta);
    writeFile("empty.fna", ">a\n\n");
    EXPECT_EQ(run({"--cds-fasta", "empty.fna"}), 1);
}

}  // namespace
}  // namespace kestrel
