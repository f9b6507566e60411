// Correspondence analysis (COA) of the codon usage of genes: a table of genes (rows) by
// codons or amino acids (columns), and the axes that order the genes and the columns by
// the main trends of the table.
//
// The axes come from the eigen-decomposition of a columns x columns matrix (at most 64 x 64),
// summed gene by gene, so the cost is linear in the genes and a gene need not be held once
// it has been added: first every gene is added to a CoaAccumulator, then fitCoa gives the
// axes, then each gene (or a gene that took no part, a supplementary row) is projected on them.
//
// With r_j the mass of column j (its share of the table's total), f_gj = x_gj / x_g the
// profile of gene g, and the columns split into classes (amino acids, for the within-amino-
// acid analysis; one class holding every column otherwise), the axes are the eigenvectors v
// of M = K B K', where B_jl = (1/T) sum_g x_gj x_gl / x_g and
// K_jl = [j = l] / sqrt(r_j) - sqrt(r_j) [class j = class l] / r_class(j). A column's standard
// coordinate is a_jk = v_jk / sqrt(r_j), its principal coordinate a_jk sqrt(lambda_k); a gene's
// principal coordinate is sum_j f_gj a_jk. With one class this is the usual COA of the table
// (total inertia chi2 / T); with the amino acids as classes it is the within-class COA of
// the codons (Perriere and Thioulouse 2002), whose inertia is that of the codon table less
// that of the amino-acid table.
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "analysis/codon_usage_indices.hpp"
#include "analysis/genetic_code.hpp"

namespace kestrel {

enum class CoaVariant {
    Within,      // codon counts, axes within the amino acids (the default)
    Counts,      // codon counts
    Rscu,        // each gene's RSCU (0 for the codons of an amino acid it lacks)
    AminoAcids,  // amino-acid counts
};

// "within", "counts", "rscu", "aa"; and back (false for another name).
std::string_view coaVariantName(CoaVariant variant);
bool coaVariantNamed(std::string_view name, CoaVariant& variant);

// The columns of a variant's table under a genetic code: the codons of the amino acids with
// more than one codon (no stops), in ascending CodonIndex; for AminoAcids the 20 amino acids.
struct CoaColumns {
    CoaVariant variant = CoaVariant::Within;
    std::vector<int> items;    // CodonIndex of each column (AminoAcidIndex for AminoAcids)
    std::vector<int> classOf;  // the class of each column: its amino acid (Within), else 0
    std::array<int, 64> columnOfCodon{};  // the column a codon adds to (-1: none)
    std::array<int, 64> familyOfCodon{};  // Rscu: the size of the codon's amino acid family
    std::array<int, 64> aminoAcidOfCodon{};
    std::size_t size() const { return items.size(); }
};
CoaColumns coaColumns(CoaVariant variant, const GeneticCode& code);

// One gene's row; only the first columns.size() values are used.
using CoaRow = std::array<double, 64>;

// Fills row from a gene's codon counts and returns its sum (0: no codon that takes part).
double coaRow(const GeneCodonCounts& counts, const CoaColumns& columns, CoaRow& row);

// Thrown when the table has no axis: fewer than two genes with a codon that takes part, or
// genes whose usage does not differ.
class CoaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The column sums and the cross-products B of the rows added.
class CoaAccumulator {
public:
    explicit CoaAccumulator(std::size_t columns);
    // A row with a positive sum.
    void add(const CoaRow& row, double sum);
    // Adds the rows of another accumulator of the same columns.
    void merge(const CoaAccumulator& other);
    std::size_t rows() const { return rows_; }
    std::size_t columns() const { return columns_; }
    // Sums the rows still waiting in the block; the cross-products are complete after it.
    void flush();
    const std::vector<double>& columnSums() const { return columnSums_; }
    // x_gj x_gl / x_g summed over the rows, columns x columns (full, symmetric), after flush.
    const std::vector<double>& crossProducts() const { return cross_; }

private:
    std::size_t columns_;
    std::size_t rows_ = 0;
    std::vector<double> columnSums_;
    std::vector<double> cross_;
    std::vector<double> block_;  // rows scaled by 1/sqrt(x_g), summed a block at a time
    std::size_t blockRows_ = 0;
};

// The axes of a fitted table.
struct CoaAxes {
    CoaColumns columns;
    std::size_t rows = 0;                // genes fitted
    std::vector<double> columnMass;      // r_j; 0 for a column no gene uses (no coordinates)
    std::vector<double> eigenvalues;     // every axis, decreasing
    double totalInertia = 0;             // the sum of all eigenvalues
    std::vector<double> columnStandard;  // a_jk at [j * axes() + k]

    std::size_t axes() const { return eigenvalues.size(); }
    bool columnUsed(std::size_t j) const { return columnMass[j] > 0; }
    double columnPrincipal(std::size_t j, std::size_t k) const;
    // The principal coordinates of a row on the first coordinates.size() axes (at most
    // axes(); any further ones are 0): of a fitted gene, or of one that took no part (a
    // supplementary row). Its profile is taken over the used columns; false (coordinates 0)
    // when it has nothing there.
    bool rowCoordinates(const CoaRow& row, std::vector<double>& coordinates) const;
};

// Each axis is oriented so that the largest entry of its eigenvector is positive.
// Throws CoaError when there is no axis.
CoaAxes fitCoa(CoaAccumulator& table, const CoaColumns& columns);

// The whole analysis of genes held in memory.
struct CoaRows {
    std::size_t axes = 0;
    std::vector<bool> usable;     // the gene has a codon that takes part
    std::vector<double> values;   // [gene * axes + k]; 0 for a gene not usable
    double at(std::size_t gene, std::size_t k) const { return values[gene * axes + k]; }
};
struct CoaResult {
    CoaAxes axes;
    CoaRows genes;
    CoaRows supplementary;
};
// Fits the axes on genes and projects them, and the supplementary genes, on the first
// `axes` axes (at most as many as there are).
CoaResult correspondenceAnalysis(const std::vector<GeneCodonCounts>& genes, CoaVariant variant, const GeneticCode& code,
                                 std::size_t axes, const std::vector<GeneCodonCounts>& supplementary = {});

}  // namespace kestrel
