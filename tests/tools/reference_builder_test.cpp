#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "tools/codon_contrast.hpp"
#include "tools/genome_genes.hpp"
#include "tools/iterative_set.hpp"
#include "tools/reference_report.hpp"
#include "tools/reference_set.hpp"
#include "tools/ribosomal_products.hpp"
#include "test_support.hpp"

namespace kestrel::reference {
namespace {

TEST(ReferenceBuilder, RibosomalProductNames) {
    const std::pair<ProductKind, std::vector<const char*>> cases[] = {
        // E. coli K-12, RefSeq bacteria, eukaryotes, archaea, KEGG-like lists.
        {ProductKind::Cytoplasmic,
         {"50S ribosomal subunit protein L2", "30S ribosomal subunit protein S12", "50S ribosomal subunit protein L31B",
          "50S ribosomal protein L7/L12", "50S ribosomal protein L31 type B", "60S ribosomal protein L7a",
          "40S ribosomal protein S3a", "40S ribosomal protein SA", "60S acidic ribosomal protein P0",
          "ubiquitin-40S ribosomal protein S27a", "ribosomal protein L7Ae", "large subunit ribosomal protein L11",
          "LSU ribosomal protein L2P", "putative 30S ribosomal protein S1 (fragment)",
          "type B 50S ribosomal protein L31", "50S ribosomal protein L25/general stress protein Ctc"}},
        {ProductKind::OrganelleRibosomal,
         {"39S ribosomal protein L1, mitochondrial", "28S ribosomal protein S7, mitochondrial",
          "mitochondrial ribosomal protein L12", "30S ribosomal protein S12, chloroplastic"}},
        // What acts on ribosomal proteins or RNA, and what only names the ribosome.
        {ProductKind::Other,
         {"ribosomal protein L11 methyltransferase", "ribosomal protein S6 modification protein",
          "ribosomal-protein-S5-alanine N-acetyltransferase", "ribosomal protein S12 methylthiotransferase RimO",
          "50S ribosomal protein L16-arginine 3-hydroxylase", "ribosomal protein L3 N(5)-glutamine methyltransferase",
          "ribosomal RNA small subunit methyltransferase A", "ribosome maturation factor RimM",
          "30S ribosomal subunit biogenesis factor LepA", "50S ribosomal subunit assembly factor BipA",
          "ribosomal protein S6 kinase alpha-1", "60S ribosomal protein L7-like 1",
          "[Ribosomal protein S18]-alanine N-acetyltransferase", "16S ribosomal RNA", "ribosomal protein",
          "small nuclear ribonuclear protein D homolog", "general stress protein Ctc", "type B ribosomal protein"}},
    };
    for (const auto& [kind, products] : cases)
        for (const char* product : products) EXPECT_EQ(classifyProduct(product), kind) << product;
    EXPECT_FALSE(isReferenceRibosomal("39S ribosomal protein L1, mitochondrial", false));
    EXPECT_TRUE(isReferenceRibosomal("39S ribosomal protein L1, mitochondrial", true));
    EXPECT_TRUE(isReferenceRibosomal("30S ribosomal protein S12", true));
}

TEST(ReferenceBuilder, ChiSquareOnTwoByTwoTables) {
    // n (|ad - bc| - n/2)^2 / ((a+b)(c+d)(a+c)(b+d)):
    //   30 10 / 10 30: 80 * 760^2 / 40^4 = 18.05, p = 2.1518e-5
    //   12 3 / 40 60: 115 * 542.5^2 / (15 * 100 * 52 * 63) = 6.88751, p = 0.00868
    //   3 17 / 40 40: 100 * 510^2 / (20 * 80 * 43 * 57) = 6.63250, p = 0.01001 (critical value 6.6349)
    //   5 5 / 5 5 and 1 0 / 0 1: the correction takes the whole difference, chi2 0, p 1
    const struct {
        TwoByTwo table;
        double chi2, p;
    } cases[] = {{{30, 10, 10, 30}, 18.05, 2.1518e-5}, {{12, 3, 40, 60}, 6.887509, 0.0086800},
                 {{3, 17, 40, 40}, 6.632497, 0.0100135}, {{5, 5, 5, 5}, 0.0, 1.0}, {{1, 0, 0, 1}, 0.0, 1.0}};
    for (const auto& c : cases) {
        const auto test = chiSquareTest(c.table);
        ASSERT_TRUE(test);
        EXPECT_NEAR(test->statistic, c.chi2, 1e-6) << c.table.a;
        EXPECT_NEAR(test->p, c.p, c.p * 1e-4) << c.table.a;
    }
    for (const TwoByTwo empty : {TwoByTwo{0, 0, 5, 5}, TwoByTwo{0, 4, 0, 6}, TwoByTwo{4, 0, 6, 0}})
        EXPECT_FALSE(chiSquareTest(empty));  // an empty row or column: nothing to compare

    // Phe: TTC 12 of 15 in the reference, 40 of 100 in the rest; Leu absent from the reference.
    CodonCounts ref{}, rest{};
    const int ttc = CodonIndex(3, 3, 2), ttt = CodonIndex(3, 3, 3);
    const int ctg = CodonIndex(2, 3, 1), atg = CodonIndex(0, 3, 1);
    ref[ttc] = 12, ref[ttt] = 3, rest[ttc] = 40, rest[ttt] = 60, rest[ctg] = 10, ref[atg] = rest[atg] = 9;
    const auto at01 = contrastCodons(ref, rest, StandardCode, 0.01);
    EXPECT_EQ(std::tuple(at01[ttc].optimal, *at01[ttc].referenceRscu, *at01[ttc].restRscu), std::tuple(true, 1.6, 0.8));
    EXPECT_FALSE(at01[ttt].optimal);  // as significant, but less used in the reference
    EXPECT_FALSE(at01[ctg].referenceRscu || at01[ctg].test || at01[ctg].optimal);
    EXPECT_FALSE(at01[atg].test || at01[atg].optimal);
    EXPECT_FALSE(contrastCodons(ref, rest, StandardCode, 0.005)[ttc].optimal);
    // In vertebrate mitochondria ATA is Met too: ATG 9 of 10 against 9 of 39 is tested there.
    const int ata = CodonIndex(0, 3, 0);
    ref[ata] = 1, rest[ata] = 30;
    EXPECT_FALSE(contrastCodons(ref, rest, StandardCode, 0.01)[atg].test);
    EXPECT_TRUE(contrastCodons(ref, rest, *geneticCodeOf(2), 0.01)[atg].optimal);
}

// 25 highly expressed genes use the first codon of each amino acid 20 times and every other
// once; 175 others use every codon 4 to 6 times. The set must end on 20 of the first kind.
TEST(ReferenceBuilder, IterativeSetFindsTheHighlyExpressedGenes) {
    std::vector<ReferenceGene> genes(200);
    for (std::size_t g = 0; g < genes.size(); ++g) {
        const bool high = g % 8 == 3;
        for (int aa = 0; aa < Stp; ++aa)
            for (int k = 0; k < StandardCode.families[aa].size; ++k)
                genes[g].codonCount[StandardCode.families[aa].codons[k]] =
                    high ? (k == 0 ? 20 : 1) : 4 + static_cast<int>((g + k) % 3);
    }
    RunSettings settings = bareSettings();
    settings.minimumRscu = 0.01;
    const IterativeSet set = iterateReferenceSet(genes, settings);
    ASSERT_EQ(std::pair(set.members.size(), set.rounds.size()), std::pair(20ul, 5ul));
    for (const std::size_t g : set.members) EXPECT_EQ(g % 8, 3u) << g;
    EXPECT_EQ(std::tuple(set.rounds[0].setSize, set.rounds[3].setSize, set.rounds[4].changed, set.converged),
              std::tuple(100u, 20u, 0u, true));
    EXPECT_EQ(std::pair(iterativeTargetSize(4315), iterativeTargetSize(12)), std::pair(44ul, 12ul));
}

TEST(ReferenceBuilder, GeneListsCodonsAndFreeText) {
    std::vector<ReferenceGene> genes(4);
    genes[0].locusTag = "b0001", genes[0].gene = "thrL";
    genes[1].locusTag = "b0002", genes[1].oldLocusTag = "ECK0002";
    genes[2].proteinId = "NP_1.1", genes[2].gene = "dup";
    genes[3].gene = "dup";
    std::istringstream list("# chosen genes\r\nthrL\r\n  ECK0002 \r\n\r\ndup\r\nnone\r\n");
    const ListedGenes listed = listedGenes(list, genes);
    EXPECT_EQ(std::tuple(listed.members, listed.unmatched, listed.names),
              std::tuple(std::vector<std::size_t>{0, 1, 2, 3}, std::vector<std::string>{"none"}, 4u));

    // Complete codons only; a codon with another letter is left out.
    std::array<std::int32_t, 64> counts{};
    EXPECT_EQ(std::tuple(countCodons("ATGaaaNTGAAATA", counts), counts[CodonIndex(0, 3, 1)], counts[CodonIndex(0, 0, 0)]),
              std::tuple(3, 1, 2));

    EXPECT_EQ(freeText("Files: a#b.gb\tc\n"), "Files: a_b.gb_c\n");
}

}  // namespace
}  // namespace kestrel::reference
