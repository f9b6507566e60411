// The texts of the reference tool's files: the free text above the entries of the .scu and
// .opt files, and the table of genes and codons.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/genome_genes.hpp"
#include "tools/reference_build.hpp"

namespace kestrel::reference {

// What the free texts say of how the set was chosen.
struct Provenance {
    std::string method;  // one line: the set and how it was chosen
    std::vector<std::string> files;
    std::vector<std::string> notes;  // further lines (the rounds of the iterative method, unmatched names)
    double pThreshold = 0.01;
    GeneticCode code = StandardCode;
};

// Free text holds no '#' (the entries begin after the first line that holds one) and no
// control character: each becomes '_'.
std::string freeText(std::string text);

std::string scuTitle(const Provenance& how, const GenomeGenes& genome, const ReferenceResult& result);
std::string optTitle(const Provenance& how, const GenomeGenes& genome, const ReferenceResult& result);

// One tab-separated table: a row per reference gene (kind "gene") and a row per codon (kind
// "codon"), under one header line; the cells of the other kind are empty, a value that does
// not exist (the RSCU of an absent amino acid, the test of a single-codon amino acid) is NA.
void writeReferenceTable(std::ostream& out, const GenomeGenes& genome, const ReferenceResult& result,
                         const GeneticCode& code);

// The names of a reference set's genes in a file: the gene rows of a table written by
// writeReferenceTable (their locus_tag, gene and protein_id), or names one a line (blank lines
// and lines beginning with '#' are passed over; blanks around a name are dropped). Throws
// ToolFailure (bad data) when the file cannot be opened or read. table, when given, is set to
// whether the file was such a table.
std::vector<std::string> readReferenceNames(const std::string& path, bool* table = nullptr);

}  // namespace kestrel::reference
