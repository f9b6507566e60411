// The correspondence analysis of the genes of KESTREL output files: the axes fitted on the
// genes of some files (and, optionally, the genes of other files projected on them), written
// as tables and a figure. The files are read twice, the first time to sum the table, the
// second to place each gene, so that no more than a gene's coordinates is held per gene.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/correspondence_analysis.hpp"
#include "tools/coa_figure.hpp"

namespace kestrel {

struct CoaFilesRequest {
    std::vector<std::string> inputs;         // the genes the axes are fitted on
    std::vector<std::string> supplementary;  // genes projected on the axes only
    CoaVariant variant = CoaVariant::Within;
    std::size_t axes = 4;                    // the axes of the tables
    std::array<std::size_t, 2> figureAxes{0, 1};
    CoaColour colour = CoaColour::Gc3;
    std::string referenceList;  // for CoaColour::ReferenceSet: gene names, or a kestrel-reference table
    CodonLabels labels = CodonLabels::Panel;
    std::string prefix;
    bool allowIncomplete = false;
    // How an input is read: from disk, unless given (the output file of a run still in memory).
    std::function<std::unique_ptr<std::istream>(const std::string& path)> open;
    std::string messagePrefix = "kestrel-coa: ";
};

// PREFIX.eigen.tsv, PREFIX.genes.tsv, PREFIX.codons.tsv, PREFIX.svg, and with supplementary
// files PREFIX.supplementary.tsv.
std::vector<std::string> coaOutputPaths(const CoaFilesRequest& request);

// Every file the request reads.
std::vector<std::string> coaInputPaths(const CoaFilesRequest& request);

// Reads, fits and writes; what it did on err ("kestrel-coa: ..."). Throws ToolFailure, KstlError
// or CoaError for inputs it cannot use or files it cannot write (none of the files asked for
// is then changed).
void runCoaOnFiles(const CoaFilesRequest& request, std::ostream& out, std::ostream& err);

// The same, the tables and the figure written to the streams given, in the order of
// coaOutputPaths (the supplementary table's null without supplementary files).
void runCoa(const CoaFilesRequest& request, const std::array<std::ostream*, 5>& outputs, std::ostream& err);

}  // namespace kestrel
