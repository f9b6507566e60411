// The tab-separated tables of a correspondence analysis of codon usage: the axes with their
// eigenvalues, the columns (codons or amino acids) and the genes on the first axes. Shared by
// kestrel-coa and the programs that analyse a genome in one run.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/correspondence_analysis.hpp"

namespace kestrel {

// What the analysis is, for titles and messages: "within-amino-acid COA of codon counts" ...
std::string_view coaVariantTitle(CoaVariant variant);

// axis, eigenvalue, inertia_share, cumulative_share: a row for every axis.
void writeCoaEigenTable(std::ostream& out, const CoaAxes& fit);

// codon, amino_acid, axis1 ... axisK (principal coordinates): a row for every column of the
// analysis in codon order, NA on the axes for a codon no gene uses. For the amino-acid
// analysis the rows are the amino acids and the codon cell is NA.
void writeCoaColumnTable(std::ostream& out, const CoaAxes& fit, std::size_t axes);

// The label of column j: its codon ("GCA") or amino acid ("Ala").
std::string coaColumnLabel(const CoaColumns& columns, std::size_t j);

// source, gene, row, axis1 ... axisK.
void writeCoaGeneHeader(std::ostream& out, std::size_t axes);
// A gene's line: its file, its name, its row in the file (from 1) and its principal coordinates.
// Tabs and line ends in the names become blanks.
void writeCoaGeneRow(std::ostream& out, std::string_view source, std::string_view gene, std::size_t row,
                     const std::vector<double>& coordinates);

}  // namespace kestrel
