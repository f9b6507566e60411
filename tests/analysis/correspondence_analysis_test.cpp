#include "analysis/correspondence_analysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_support.hpp"

namespace kestrel {
namespace {

// A table of amino-acid counts: rows of (Ala, Arg, Asn) counts, the other amino acids 0,
// so that the aa variant sees a plain 3-column contingency table (its unused columns drop).
std::vector<GeneCodonCounts> aminoAcidTable(const std::vector<std::array<int, 3>>& rows) {
    std::vector<GeneCodonCounts> genes;
    for (const auto& r : rows)
        genes.push_back(codonCounts("GCA " + std::to_string(r[0]) + " AGA " + std::to_string(r[1]) + " AAC " +
                                    std::to_string(r[2])));
    return genes;
}

// The rows of genes, weighted by their share of the table: coordinates centred on 0 with a
// weighted variance equal to the axis' eigenvalue.
void expectCentredWithVarianceEigenvalue(const CoaResult& result, const std::vector<double>& rowTotals) {
    double total = 0;
    for (const double t : rowTotals) total += t;
    for (std::size_t k = 0; k < result.genes.axes; ++k) {
        double mean = 0, variance = 0;
        for (std::size_t g = 0; g < rowTotals.size(); ++g) {
            mean += rowTotals[g] / total * result.genes.at(g, k);
            variance += rowTotals[g] / total * result.genes.at(g, k) * result.genes.at(g, k);
        }
        EXPECT_NEAR(mean, 0.0, 1e-12) << k;
        EXPECT_NEAR(variance, result.axes.eigenvalues[k], 1e-12) << k;
    }
}

TEST(CorrespondenceAnalysis, BlockTableWorkedByHand) {
    // 2 1 0 / 1 2 0 / 0 0 3: every margin 3 of 9, every expected count 1, chi2 = 10, so the
    // total inertia is 10/9. S = (N - 1)/3 has the eigenvectors (1,1,-2) (eigenvalue 1: row
    // and column 3 go only with each other) and (1,-1,0) (1/3, so lambda = 1/9).
    const CoaResult r = correspondenceAnalysis(aminoAcidTable({{2, 1, 0}, {1, 2, 0}, {0, 0, 3}}),
                                               CoaVariant::AminoAcids, StandardCode, 2);
    ASSERT_EQ(r.axes.axes(), 2u);
    EXPECT_NEAR(r.axes.totalInertia, 10.0 / 9, 1e-12);
    EXPECT_NEAR(r.axes.eigenvalues[0], 1.0, 1e-12);
    EXPECT_NEAR(r.axes.eigenvalues[1], 1.0 / 9, 1e-12);
    // Axis 1, oriented by its largest entry (-2 turned +2): standard coordinates (-1,-1,2)/sqrt(2)
    // of the columns; rows 1 and 2 at the mean of columns 1 and 2, row 3 at column 3.
    const double h = std::sqrt(0.5);
    EXPECT_NEAR(r.axes.columnPrincipal(Ala, 0), -h, 1e-12);
    EXPECT_NEAR(r.axes.columnPrincipal(Asn, 0), 2 * h, 1e-12);
    EXPECT_NEAR(r.genes.at(0, 0), -h, 1e-12);
    EXPECT_NEAR(r.genes.at(2, 0), 2 * h, 1e-12);
    // Axis 2 tells rows 1 and 2 apart: principal coordinates +-sqrt(3/2)/3 of columns 1 and 2.
    EXPECT_NEAR(std::abs(r.axes.columnPrincipal(Ala, 1)), std::sqrt(1.5) / 3, 1e-12);
    EXPECT_NEAR(r.axes.columnPrincipal(Asn, 1), 0.0, 1e-12);
    EXPECT_NEAR(r.genes.at(0, 1), -r.genes.at(1, 1), 1e-12);
    // An amino acid no gene uses has no mass and no coordinates.
    EXPECT_FALSE(r.axes.columnUsed(Gly));
}

TEST(CorrespondenceAnalysis, GeneralTableAgreesWithChiSquareAndAde4) {
    // Row sums 18, 22, 20, column sums 16, 20, 24, n = 60: chi2 = 22.929545..., inertia chi2/n.
    const auto genes = aminoAcidTable({{10, 5, 3}, {4, 12, 6}, {2, 3, 15}});
    const CoaResult r = correspondenceAnalysis(genes, CoaVariant::AminoAcids, StandardCode, 2);
    EXPECT_NEAR(r.axes.totalInertia, 0.382159090909091, 1e-12);
    // ade4 1.7: dudi.coa of the table.
    EXPECT_NEAR(r.axes.eigenvalues[0], 0.273629063891336, 1e-12);
    EXPECT_NEAR(r.axes.eigenvalues[1], 0.108530027017755, 1e-12);
    const double rows[3][2] = {{0.583026207046, 0.344113026825}, {0.157768549047, -0.421412415306},
                               {-0.698268990294, 0.153851932695}};
    const double columns[3][2] = {{0.605147242341, 0.391420098966}, {0.259373847681, -0.436321810469},
                                  {-0.619576367961, 0.102654776080}};
    // Axes are defined up to their sign: take ade4's.
    for (std::size_t k = 0; k < 2; ++k) {
        const double sign = r.genes.at(0, k) * rows[0][k] > 0 ? 1 : -1;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(sign * r.genes.at(i, k), rows[i][k], 1e-11) << i << k;
            EXPECT_NEAR(sign * r.axes.columnPrincipal(std::array{Ala, Arg, Asn}[i], k), columns[i][k], 1e-11);
        }
    }
    expectCentredWithVarianceEigenvalue(r, {18, 22, 20});
}

// Four genes of Lys (AAA AAG), Glu (GAA GAG) and Asp (GAC GAT).
std::vector<GeneCodonCounts> threeAminoAcids() {
    return {codonCounts("AAA 5 AAG 1 GAA 3 GAG 2 GAC 4 GAT 4"), codonCounts("AAA 1 AAG 6 GAA 2 GAG 5 GAC 3 GAT 1"),
            codonCounts("AAA 2 AAG 2 GAA 6 GAG 1 GAC 1 GAT 5"), codonCounts("AAA 4 AAG 3 GAA 1 GAG 1 GAC 2 GAT 2")};
}

TEST(CorrespondenceAnalysis, WithinAminoAcidsAgreesWithAde4AndSplitsTheInertia) {
    const auto genes = threeAminoAcids();
    const CoaResult within = correspondenceAnalysis(genes, CoaVariant::Within, StandardCode, 3);
    // ade4 1.7: wca(dudi.coa(codons x genes), amino acid of each codon).
    ASSERT_EQ(within.axes.axes(), 3u);  // 6 codons less 3 amino acids
    const double eigenvalues[3] = {1.73483535429635e-01, 6.02653860390209e-02, 3.23075267107162e-05};
    const double codonAxis1[6] = {0.402160583624, -0.402160583624, 0.442423588913,
                                  -0.589898118551, -0.351189143796, 0.292657619830};
    const double geneAxis1[4] = {0.1923221410610, -0.6450845451547, 0.4486461467515, 0.0254166644499};
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(within.axes.eigenvalues[k], eigenvalues[k], 1e-12);
    const double sign = within.genes.at(0, 0) > 0 ? 1 : -1;
    const char* codons[6] = {"AAA", "AAG", "GAA", "GAG", "GAC", "GAT"};
    for (std::size_t i = 0; i < 6; ++i) {
        const int column = within.axes.columns.columnOfCodon[codon(codons[i])];
        EXPECT_NEAR(sign * within.axes.columnPrincipal(static_cast<std::size_t>(column), 0), codonAxis1[i], 1e-11);
    }
    for (std::size_t g = 0; g < 4; ++g) EXPECT_NEAR(sign * within.genes.at(g, 0), geneAxis1[g], 1e-11);
    // The codon table's inertia is the amino-acid table's plus the within-amino-acid inertia.
    const double counts = correspondenceAnalysis(genes, CoaVariant::Counts, StandardCode, 1).axes.totalInertia;
    const double aminoAcids = correspondenceAnalysis(genes, CoaVariant::AminoAcids, StandardCode, 1).axes.totalInertia;
    EXPECT_NEAR(counts, 0.312329508201541, 1e-12);
    EXPECT_NEAR(aminoAcids, 0.078548279206174, 1e-12);
    EXPECT_NEAR(within.axes.totalInertia, counts - aminoAcids, 1e-12);
    expectCentredWithVarianceEigenvalue(within, {19, 18, 17, 13});
}

TEST(CorrespondenceAnalysis, SupplementaryRowsAreProjectedByTheirProfile) {
    auto genes = threeAminoAcids();
    std::vector<GeneCodonCounts> extra = {genes[1], genes[1], codonCounts("ATG 10 TGG 3"), codonCounts("AAA 1 CCC 9")};
    for (auto& n : extra[1]) n *= 3;  // the same profile, three times the codons
    const CoaResult r = correspondenceAnalysis(genes, CoaVariant::Within, StandardCode, 3, extra);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(r.supplementary.at(0, k), r.genes.at(1, k), 1e-12);
        EXPECT_NEAR(r.supplementary.at(1, k), r.genes.at(1, k), 1e-12);
    }
    // Met and Trp take no part; a codon no fitted gene used (CCC) is passed over.
    EXPECT_EQ(r.supplementary.usable, (std::vector<bool>{true, true, false, true}));
    EXPECT_NEAR(r.supplementary.at(3, 0), r.axes.columnStandard[r.axes.columns.columnOfCodon[codon("AAA")] * 3], 1e-12);
}

TEST(CorrespondenceAnalysis, BlocksAndMergedTablesGiveTheSameAxes) {
    // More genes than one block holds, split between two accumulators and merged; counts that
    // vary every way, so that no two eigenvalues are alike and the axes are defined.
    const CoaColumns columns = coaColumns(CoaVariant::Counts, StandardCode);
    CoaAccumulator whole(columns.size()), first(columns.size()), second(columns.size());
    CoaRow row{};
    const char* codons[6] = {"AAA", "AAG", "GAA", "GAG", "GAC", "GAT"};
    for (int i = 0; i < 700; ++i) {
        GeneCodonCounts gene{};
        for (int j = 0; j < 6; ++j) gene[codon(codons[j])] = 1 + (i * (j + 3) * 7919 + j * j * i / 5) % (13 + 2 * j);
        const double sum = coaRow(gene, columns, row);
        whole.add(row, sum);
        (i < 300 ? first : second).add(row, sum);
    }
    first.merge(second);
    const CoaAxes a = fitCoa(whole, columns), b = fitCoa(first, columns);
    ASSERT_EQ(a.rows, 700u);
    ASSERT_EQ(b.rows, 700u);
    ASSERT_EQ(a.axes(), 5u);
    for (std::size_t k = 0; k < a.axes(); ++k) EXPECT_NEAR(a.eigenvalues[k], b.eigenvalues[k], 1e-13);
    for (std::size_t j = 0; j < a.columnStandard.size(); ++j)
        EXPECT_NEAR(a.columnStandard[j], b.columnStandard[j], 1e-9);
}

TEST(CorrespondenceAnalysis, TablesWithoutAxesAreRefused) {
    const auto genes = threeAminoAcids();
    EXPECT_THROW(correspondenceAnalysis({genes[0]}, CoaVariant::Counts, StandardCode, 2), CoaError);
    EXPECT_THROW(correspondenceAnalysis({genes[0], genes[0], genes[0]}, CoaVariant::Counts, StandardCode, 2), CoaError);
    // Genes without a codon that takes part do not count as genes.
    EXPECT_THROW(correspondenceAnalysis({genes[0], codonCounts("ATG 5 TAA 1")}, CoaVariant::Within, StandardCode, 2),
                 CoaError);
    // One codon per amino acid leaves nothing within the amino acids.
    EXPECT_THROW(correspondenceAnalysis({codonCounts("AAA 2 GAA 1"), codonCounts("AAA 1 GAA 3")}, CoaVariant::Within,
                                        StandardCode, 2),
                 CoaError);
}

TEST(CoaRows, ColumnsFollowTheGeneticCodeAndRscuLeavesAbsentAminoAcidsAtZero) {
    EXPECT_EQ(coaColumns(CoaVariant::Counts, StandardCode).size(), 59u);
    EXPECT_EQ(coaColumns(CoaVariant::AminoAcids, StandardCode).size(), 20u);
    // Vertebrate mitochondria: AGA and AGG end genes; Met (ATA ATG) and Trp (TGA TGG) have two codons.
    const CoaColumns mito = coaColumns(CoaVariant::Within, *geneticCodeOf(2));
    EXPECT_EQ(mito.size(), 60u);
    EXPECT_EQ(mito.columnOfCodon[codon("AGA")], -1);
    EXPECT_EQ(mito.classOf[static_cast<std::size_t>(mito.columnOfCodon[codon("TGA")])], Trp);

    const GeneCodonCounts gene = codonCounts("CTG 6 TTA 2 AAA 3 ATG 4 TAA 1");
    CoaRow row{};
    const CoaColumns rscu = coaColumns(CoaVariant::Rscu, StandardCode);
    // Leu: 6 x 6/8 and 2 x 6/8; Lys 3 x 2/3; Met and the stop take no part; Asp absent: 0.
    EXPECT_DOUBLE_EQ(coaRow(gene, rscu, row), 4.5 + 1.5 + 2.0);
    EXPECT_DOUBLE_EQ(row[static_cast<std::size_t>(rscu.columnOfCodon[codon("CTG")])], 4.5);
    EXPECT_DOUBLE_EQ(row[static_cast<std::size_t>(rscu.columnOfCodon[codon("GAC")])], 0.0);
    const CoaColumns aminoAcids = coaColumns(CoaVariant::AminoAcids, StandardCode);
    EXPECT_DOUBLE_EQ(coaRow(gene, aminoAcids, row), 15.0);
    EXPECT_DOUBLE_EQ(row[Leu], 8.0);
    EXPECT_DOUBLE_EQ(row[Met], 4.0);
}

}  // namespace
}  // namespace kestrel
