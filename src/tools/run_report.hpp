// The report of a run over many genomes: one self-contained HTML page with the genomes'
// summary rows (each linked to its own report page), the run's figures, the predicted
// doubling times, and the genomes that failed with their logs named. Made by
// kestrel-genome --run-report from the NAME.genome.tsv rows kestrel-genome writes (or a
// table joining them), so that a workflow makes it in one step.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrel::report {

// One genome: the cells of its summary row the page shows, and the link to its page.
struct RunGenome {
    std::string name, organism, type, code, genes, referenceGenes, optimalCodons, growthWarnings;
    std::optional<double> enc, gc3, cai, d, dLower, dUpper;
    std::string page;  // relative to the report, percent-encoded; empty without a page
};

struct RunFailure {
    std::string genome;
    std::string reason;
    std::string log;      // as named
    std::string logLink;  // relative to the report; empty when the log does not exist
};

struct RunFigure {
    std::string file;
    std::string svg;
};

struct RunReport {
    std::string title;
    std::vector<RunGenome> genomes;
    std::vector<RunFigure> figures;
    std::vector<RunFailure> failures;
    std::vector<std::string> command;  // the program and its arguments
    std::string folder;                // where it ran
};

std::string renderRunReport(const RunReport& report);

// What --run-report reads. Every path is as the command line gives it; links are made
// relative to the report's folder.
struct RunReportRequest {
    std::string output;               // the page
    std::vector<std::string> inputs;  // NAME.genome.tsv tables (or one joining them), or folders of them
    std::string pagePattern;          // a genome's page, "{name}" standing for its name; empty: beside its table
    std::vector<std::string> figures;
    std::vector<std::string> failures;  // files of lines "NAME<TAB>LOG[<TAB>REASON]"
    std::string title;
};

// Reads the tables, figures and failures. Throws ToolFailure (bad data) for a file that
// cannot be read or a table without a source column.
RunReport gatherRunReport(const RunReportRequest& request);

// The link to a file from a folder: its path relative to the folder, percent-encoded.
std::string relativeLink(const std::string& file, const std::string& fromFolder);

}  // namespace kestrel::report
