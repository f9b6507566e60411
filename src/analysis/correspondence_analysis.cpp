#include "analysis/correspondence_analysis.hpp"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {

using Matrix = Eigen::MatrixXd;
using RowMajorMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Rows summed into the cross-products at a time, as one matrix product.
constexpr std::size_t BlockRows = 256;

// Below this the total inertia is rounding error: the genes do not differ.
constexpr double NoInertia = 1e-12;

constexpr std::array<std::string_view, 4> VariantNames = {"within", "counts", "rscu", "aa"};

}  // namespace

std::string_view coaVariantName(CoaVariant variant) { return VariantNames[static_cast<std::size_t>(variant)]; }

bool coaVariantNamed(std::string_view name, CoaVariant& variant) {
    for (std::size_t v = 0; v < VariantNames.size(); ++v)
        if (VariantNames[v] == name) {
            variant = static_cast<CoaVariant>(v);
            return true;
        }
    return false;
}

CoaColumns coaColumns(CoaVariant variant, const GeneticCode& code) {
    CoaColumns columns;
    columns.variant = variant;
    columns.columnOfCodon.fill(-1);
    for (int c = 0; c < 64; ++c) {
        const int a = code.aminoAcid[c];
        columns.aminoAcidOfCodon[c] = a;
        columns.familyOfCodon[c] = code.familySize[c];
        if (variant == CoaVariant::AminoAcids) {
            if (a != Stp) columns.columnOfCodon[c] = a;
        } else if (code.isSynonymous(a)) {
            columns.columnOfCodon[c] = static_cast<int>(columns.items.size());
            columns.items.push_back(c);
            columns.classOf.push_back(variant == CoaVariant::Within ? a : 0);
        }
    }
    if (variant == CoaVariant::AminoAcids)
        for (int a = 0; a < Stp; ++a) {
            columns.items.push_back(a);
            columns.classOf.push_back(0);
        }
    return columns;
}

double coaRow(const GeneCodonCounts& counts, const CoaColumns& columns, CoaRow& row) {
    std::fill(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(columns.size()), 0.0);
    for (int c = 0; c < 64; ++c)
        if (columns.columnOfCodon[c] >= 0) row[static_cast<std::size_t>(columns.columnOfCodon[c])] += counts[c];
    if (columns.variant == CoaVariant::Rscu) {
        // RSCU = count x family size / the amino acid's count in the gene.
        std::array<double, AminoAcidCount> aminoAcid{};
        for (int c = 0; c < 64; ++c) aminoAcid[columns.aminoAcidOfCodon[c]] += counts[c];
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const int c = columns.items[j];
            const double total = aminoAcid[columns.aminoAcidOfCodon[c]];
            row[j] = total > 0 ? row[j] * columns.familyOfCodon[c] / total : 0.0;
        }
    }
    double sum = 0;
    for (std::size_t j = 0; j < columns.size(); ++j) sum += row[j];
    return sum;
}

CoaAccumulator::CoaAccumulator(std::size_t columns)
    : columns_(columns), columnSums_(columns, 0.0), cross_(columns * columns, 0.0), block_(BlockRows * columns, 0.0) {}

void CoaAccumulator::add(const CoaRow& row, double sum) {
    const double scale = 1.0 / std::sqrt(sum);
    double* out = block_.data() + blockRows_ * columns_;
    for (std::size_t j = 0; j < columns_; ++j) {
        columnSums_[j] += row[j];
        out[j] = row[j] * scale;
    }
    ++rows_;
    if (++blockRows_ == BlockRows) flush();
}

namespace {

// cross (lower triangle) += block' block, for the first rows of a row-major block.
void addBlock(std::vector<double>& cross, const std::vector<double>& block, std::size_t rows, std::size_t columns) {
    if (rows == 0) return;
    Eigen::Map<Matrix> sums(cross.data(), static_cast<Eigen::Index>(columns), static_cast<Eigen::Index>(columns));
    const Eigen::Map<const RowMajorMatrix> x(block.data(), static_cast<Eigen::Index>(rows),
                                             static_cast<Eigen::Index>(columns));
    sums.selfadjointView<Eigen::Lower>().rankUpdate(x.transpose());
}

}  // namespace

void CoaAccumulator::flush() {
    addBlock(cross_, block_, blockRows_, columns_);
    blockRows_ = 0;
    for (std::size_t j = 0; j < columns_; ++j)
        for (std::size_t l = j + 1; l < columns_; ++l) cross_[l * columns_ + j] = cross_[j * columns_ + l];
}

void CoaAccumulator::merge(const CoaAccumulator& other) {
    flush();
    for (std::size_t j = 0; j < columns_; ++j) columnSums_[j] += other.columnSums_[j];
    // Only the lower triangle counts until the next flush fills the upper one from it.
    for (std::size_t j = 0; j < columns_; ++j)
        for (std::size_t l = j; l < columns_; ++l) cross_[j * columns_ + l] += other.cross_[j * columns_ + l];
    addBlock(cross_, other.block_, other.blockRows_, columns_);
    rows_ += other.rows_;
    flush();
}

double CoaAxes::columnPrincipal(std::size_t j, std::size_t k) const {
    return columnStandard[j * axes() + k] * std::sqrt(eigenvalues[k]);
}

bool CoaAxes::rowCoordinates(const CoaRow& row, std::vector<double>& coordinates) const {
    double sum = 0;
    for (std::size_t j = 0; j < columns.size(); ++j)
        if (columnUsed(j)) sum += row[j];
    std::fill(coordinates.begin(), coordinates.end(), 0.0);
    if (!(sum > 0)) return false;
    const std::size_t wanted = std::min(coordinates.size(), axes());
    for (std::size_t j = 0; j < columns.size(); ++j) {
        if (!columnUsed(j) || row[j] == 0) continue;
        const double share = row[j] / sum;
        const double* a = columnStandard.data() + j * axes();
        for (std::size_t k = 0; k < wanted; ++k) coordinates[k] += share * a[k];
    }
    return true;
}

namespace {

struct UsedColumns {
    std::vector<std::size_t> index;  // into the table's columns
    std::vector<double> mass;
    std::size_t classes = 0;
};

UsedColumns usedColumns(const CoaAccumulator& table, const CoaColumns& columns) {
    double total = 0;
    for (const double s : table.columnSums()) total += s;
    UsedColumns used;
    std::vector<int> classes;
    for (std::size_t j = 0; j < columns.size(); ++j) {
        if (!(table.columnSums()[j] > 0)) continue;
        used.index.push_back(j);
        used.mass.push_back(table.columnSums()[j] / total);
        if (std::find(classes.begin(), classes.end(), columns.classOf[j]) == classes.end())
            classes.push_back(columns.classOf[j]);
    }
    used.classes = classes.size();
    return used;
}

// M = K B K' over the used columns.
Matrix inertiaMatrix(const CoaAccumulator& table, const CoaColumns& columns, const UsedColumns& used) {
    const auto q = static_cast<Eigen::Index>(used.index.size());
    const std::size_t p = table.columns();
    double total = 0;
    for (const double s : table.columnSums()) total += s;
    Matrix b(q, q), k = Matrix::Zero(q, q);
    for (Eigen::Index j = 0; j < q; ++j)
        for (Eigen::Index l = 0; l < q; ++l) b(j, l) = table.crossProducts()[used.index[j] * p + used.index[l]] / total;
    for (Eigen::Index j = 0; j < q; ++j) {
        double classMass = 0;
        for (Eigen::Index l = 0; l < q; ++l)
            if (columns.classOf[used.index[l]] == columns.classOf[used.index[j]]) classMass += used.mass[l];
        for (Eigen::Index l = 0; l < q; ++l)
            if (columns.classOf[used.index[l]] == columns.classOf[used.index[j]])
                k(j, l) = -std::sqrt(used.mass[j]) / classMass;
        k(j, j) += 1.0 / std::sqrt(used.mass[j]);
    }
    return k * b * k.transpose();
}

}  // namespace

CoaAxes fitCoa(CoaAccumulator& table, const CoaColumns& columns) {
    table.flush();
    if (table.rows() < 2) throw CoaError("fewer than two genes with a codon that takes part: no axis to find");
    const UsedColumns used = usedColumns(table, columns);
    const Matrix m = inertiaMatrix(table, columns, used);
    CoaAxes fit;
    fit.columns = columns;
    fit.rows = table.rows();
    fit.totalInertia = std::max(0.0, m.trace());
    const std::size_t q = used.index.size();
    const std::size_t axes = std::min(q - used.classes, table.rows() - 1);
    if (axes == 0 || fit.totalInertia < NoInertia)
        throw CoaError("the genes' codon usage does not differ between them: no axis to find");

    const Eigen::SelfAdjointEigenSolver<Matrix> solver(m);
    if (solver.info() != Eigen::Success) throw CoaError("the eigen-decomposition did not converge");
    fit.columnMass.assign(columns.size(), 0.0);
    for (std::size_t u = 0; u < q; ++u) fit.columnMass[used.index[u]] = used.mass[u];
    fit.columnStandard.assign(columns.size() * axes, 0.0);
    for (std::size_t k = 0; k < axes; ++k) {
        const Eigen::Index e = static_cast<Eigen::Index>(q - 1 - k);  // eigenvalues ascend
        fit.eigenvalues.push_back(std::max(0.0, solver.eigenvalues()(e)));
        Eigen::VectorXd v = solver.eigenvectors().col(e);
        Eigen::Index largest = 0;
        v.cwiseAbs().maxCoeff(&largest);
        if (v(largest) < 0) v = -v;
        for (std::size_t u = 0; u < q; ++u)
            fit.columnStandard[used.index[u] * axes + k] = v(static_cast<Eigen::Index>(u)) / std::sqrt(used.mass[u]);
    }
    return fit;
}

namespace {

CoaRows project(const CoaAxes& fit, const std::vector<GeneCodonCounts>& genes, std::size_t axes) {
    CoaRows rows;
    rows.axes = axes;
    rows.usable.assign(genes.size(), false);
    rows.values.assign(genes.size() * axes, 0.0);
    CoaRow row{};
    std::vector<double> coordinates(axes);
    for (std::size_t g = 0; g < genes.size(); ++g) {
        coaRow(genes[g], fit.columns, row);
        rows.usable[g] = fit.rowCoordinates(row, coordinates);
        std::copy(coordinates.begin(), coordinates.end(), rows.values.begin() + static_cast<std::ptrdiff_t>(g * axes));
    }
    return rows;
}

}  // namespace

CoaResult correspondenceAnalysis(const std::vector<GeneCodonCounts>& genes, CoaVariant variant, const GeneticCode& code,
                                 std::size_t axes, const std::vector<GeneCodonCounts>& supplementary) {
    const CoaColumns columns = coaColumns(variant, code);
    CoaAccumulator table(columns.size());
    CoaRow row{};
    for (const GeneCodonCounts& gene : genes) {
        const double sum = coaRow(gene, columns, row);
        if (sum > 0) table.add(row, sum);
    }
    CoaResult result{fitCoa(table, columns), {}, {}};
    axes = std::min(axes, result.axes.axes());
    result.genes = project(result.axes, genes, axes);
    result.supplementary = project(result.axes, supplementary, axes);
    return result;
}

}  // namespace kestrel
