// One genome from its annotated files to every result, in one process: the lookup table and
// sequence file, the tRNA census, the CAI and Fop reference, the analysis, the per-gene table
// with the added indices, the genome's summary row and the figures. Everything is written in
// a folder of its own beside the results and moved into place once complete, so that a genome
// that fails leaves its earlier results as they were.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"
#include "tools/annotated_inputs.hpp"
#include "tools/reference_choice.hpp"

namespace kestrel::genome {

// The choices that hold for every genome of a run.
struct GenomeOptions {
    // The analysis's options; the genetic code and the genome type are each genome's own
    // unless given.
    RunSettings settings;
    std::int32_t wantedCode = 0;            // -g N, 0 for the code of most of the genome's CDSs
    std::optional<GenomeType> genomeType;   // --prokaryote or --eukaryote, else from the annotation
    bool keepPseudo = false;
    // The genome's own reference: none (no CAI and Fop), or a set chosen as kestrel-reference does.
    bool ownReference = true;
    reference::SetChoice set;
    double pThreshold = 0.01;
    // --rscu and --optimal: files that serve every genome instead of its own reference (the
    // settings name them), their tables and their texts.
    ReferenceTables fixedReferences;
    std::array<std::string, 2> fixedReferenceTexts;
    std::optional<std::string> plotX;  // the x axis of the ENC figure: GC3 or GC3_6 (else GC3_6 when the file has it)
    bool verbose = false;
    bool quiet = false;
    // --threads 1: every step in one thread; else the growth prediction and the figures run
    // beside the analysis (but for a small genome).
    bool parallel = true;
    // The report page (NAME.report.html), with the command line that makes it again: the
    // program and its arguments, and the folder it runs in.
    bool report = true;
    std::vector<std::string> command;
    std::string runFolder;
};

// One genome: its name (the results' file names), its files, the results folder.
struct GenomeJob {
    std::string name;
    std::vector<InputFiles> inputs;
    std::string folder;
};

// Runs every step for the genome and moves the results into the folder. Throws ToolFailure
// (bad data) when a step fails; nothing of the genome's earlier results is then changed.
void runGenome(const GenomeJob& job, const GenomeOptions& options, std::ostream& err);

// The results a genome of this name has in the folder.
std::vector<std::string> resultNames(const std::string& name);

// The sequence file of a genome, as its lookup table names it: NAME.seq, or, when that is too
// long for the table or holds a sign it cannot (a '#'), genome-HASH.seq.
std::string sequenceFileName(const std::string& name);

}  // namespace kestrel::genome
