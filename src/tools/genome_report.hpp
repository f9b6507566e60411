// The report of one genome: a single HTML page, everything inline (style, figures; no
// script, nothing loaded from elsewhere), that tells what the genome's results say and how
// they were made: the run, the genes and why some were left out, the indices' medians and
// spread, the reference set and its optimal codons, the cumulative codon usage, the figures,
// the genes at either end of CAI (or ENC), the growth prediction, and the methods.
// kestrel-genome fills a GenomeReport with what its run holds and writes the page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/genetic_code.hpp"
#include "analysis/run_settings.hpp"
#include "formats/kstl_reader.hpp"
#include "tools/cds_selection.hpp"
#include "tools/genome_genes.hpp"
#include "tools/growth_genome.hpp"
#include "tools/reference_build.hpp"
#include "tools/reference_report.hpp"

namespace kestrel::report {

// A figure of the page: the SVG file it was written to beside the page, and its text.
struct ReportFigure {
    std::string file;
    std::string svg;
};

// The genome's own reference set: how it was sought, and what was built of the genes found.
struct ReportReference {
    reference::Provenance how;
    std::optional<reference::ReferenceResult> result;  // none when no gene was found
    bool used = false;  // it served the analysis (it has an optimal codon)
};

// The comparison of the reference set's codon usage with the rest of the genome's, when
// the run made one: its one-line summary, its table's file, and its figure's file and text.
struct ReportComparison {
    std::string summary;
    std::string tableFile;
    std::string figureFile;
    std::string svg;
};

struct GenomeReport {
    // The genome and the run.
    std::string name;                 // the results' names: NAME.*
    std::string organism;             // from the annotation (may be empty)
    std::string lineage;
    std::vector<std::string> inputs;  // the files read
    std::vector<std::string> command; // the program and its arguments, as they make the page again
    std::string folder;               // the folder the command ran in
    GeneticCode code = StandardCode;
    bool codeGiven = false;           // -g N, else the code of most CDSs
    GenomeType type = GenomeType::Eukaryote;
    std::string typeReason;           // "its taxonomy: Bacteria", "as given"
    RunSettings settings;             // the analysis's options

    // The genes: the builder's passes, the lookup entries, the analysis's rows and summary,
    // and the per-gene table (its text must outlive the rendering).
    SkipTally skipped;
    std::size_t entries = 0;
    std::size_t rows = 0;
    KstlSummary summary;
    std::string_view genesTable;
    const reference::GenomeGenes* genes = nullptr;  // names and products; may be null

    // The reference: the genome's own set, or the files given for every genome.
    std::optional<ReportReference> reference;
    std::string referenceChoice;                // --reference's value ("none" for none)
    std::array<std::string, 2> givenReference;  // --rscu and --optimal, when given
    std::array<std::int32_t, 64> givenOptimal{};  // the flags of the --optimal file

    std::optional<GrowthRow> growth;
    // The figures by kind: ENC against GC3, neutrality, PR2, correspondence analysis.
    std::optional<ReportFigure> enc, neutrality, pr2, coa;
    std::string coaEigenvalues;  // the text of NAME.coa.eigen.tsv
    std::optional<ReportComparison> comparison;
    std::vector<std::string> files;  // the results written beside the page
};

// The page, as one HTML document.
std::string renderGenomeReport(const GenomeReport& report);

}  // namespace kestrel::report
