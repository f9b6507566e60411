#include "tools/coa_tables.hpp"

#include <cstdio>

#include "analysis/codon_letters.hpp"

namespace kestrel {

namespace {

// Enough digits for any comparison of coordinates; eigenvalues with a few more.
constexpr const char* CoordinateFormat = "\t%.8g";
constexpr const char* EigenvalueFormat = "%zu\t%.10g\t%.8f\t%.8f\n";

void writeAxisLabels(std::ostream& out, std::size_t axes) {
    for (std::size_t k = 1; k <= axes; ++k) out << "\taxis" << k;
    out << '\n';
}

void writeNameCell(std::ostream& out, std::string_view text) {
    for (const char c : text) out << (c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
}

}  // namespace

std::string_view coaVariantTitle(CoaVariant variant) {
    switch (variant) {
        case CoaVariant::Within: return "within-amino-acid COA of codon counts";
        case CoaVariant::Counts: return "COA of codon counts";
        case CoaVariant::Rscu: return "COA of RSCU";
        case CoaVariant::AminoAcids: return "COA of amino-acid counts";
    }
    return {};
}

void writeCoaEigenTable(std::ostream& out, const CoaAxes& fit) {
    out << "axis\teigenvalue\tinertia_share\tcumulative_share\n";
    double cumulative = 0;
    char line[128];
    for (std::size_t k = 0; k < fit.axes(); ++k) {
        const double share = fit.eigenvalues[k] / fit.totalInertia;
        cumulative += share;
        std::snprintf(line, sizeof line, EigenvalueFormat, k + 1, fit.eigenvalues[k], share, cumulative);
        out << line;
    }
}

std::string coaColumnLabel(const CoaColumns& columns, std::size_t j) {
    const int item = columns.items[j];
    return columns.variant == CoaVariant::AminoAcids ? AminoAcidNames[item].data() : codonLetters(item).data();
}

void writeCoaColumnTable(std::ostream& out, const CoaAxes& fit, std::size_t axes) {
    out << "codon\tamino_acid";
    writeAxisLabels(out, axes);
    const CoaColumns& columns = fit.columns;
    char cell[64];
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const bool aminoAcids = columns.variant == CoaVariant::AminoAcids;
        const int aminoAcid = aminoAcids ? columns.items[j] : columns.aminoAcidOfCodon[columns.items[j]];
        out << (aminoAcids ? std::string("NA") : coaColumnLabel(columns, j)) << '\t'
            << AminoAcidNames[aminoAcid].data();
        for (std::size_t k = 0; k < axes; ++k) {
            if (fit.columnUsed(j) && k < fit.axes()) {
                std::snprintf(cell, sizeof cell, CoordinateFormat, fit.columnPrincipal(j, k));
                out << cell;
            } else {
                out << "\tNA";
            }
        }
        out << '\n';
    }
}

void writeCoaGeneHeader(std::ostream& out, std::size_t axes) {
    out << "source\tgene\trow";
    writeAxisLabels(out, axes);
}

void writeCoaGeneRow(std::ostream& out, std::string_view source, std::string_view gene, std::size_t row,
                     const std::vector<double>& coordinates) {
    writeNameCell(out, source);
    out << '\t';
    writeNameCell(out, gene);
    out << '\t' << row;
    char cell[64];
    for (const double x : coordinates) {
        std::snprintf(cell, sizeof cell, CoordinateFormat, x);
        out << cell;
    }
    out << '\n';
}

}  // namespace kestrel
