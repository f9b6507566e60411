// The options of one analysis run: every choice that shapes its numbers and its output
// file, grouped by concern, each field with its default. The setup dialogue and the
// command line are two ways of filling it; a default-constructed value is the run a user
// gets by accepting every menu as it first shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/genetic_code.hpp"

namespace kestrel {

enum class GenomeType { Eukaryote, Prokaryote };

// How the noncoding bases are grouped in the output.
enum class NoncodingMode {
    Combined = 0,          // one group: flanks and core introns together
    FlanksAndIntrons = 1,  // core introns, then both flanks together
    Separate = 2,          // upstream, core introns, downstream
};

struct RunSettings {
    // -- Genome type and genetic code
    // The NCBI translation table the genes are read with.
    GeneticCode geneticCode = StandardCode;
    // Which start codons are valid: a prokaryote's are its code's initiation codons, a
    // eukaryote's the codons its code reads as Met.
    GenomeType genomeType = GenomeType::Eukaryote;

    // -- Reference tables
    // CAI is computed against the codon counts of a reference (.scu) file.
    bool rscuTableUsed = false;
    // That file's name, as the output file's header records it.
    std::string rscuFileName;
    // CAI weights below this (and those of codons the reference lacks) are raised to it.
    double minimumRscu = 0.01;
    // Fop (and the segment analysis) count the optimal codons of an .opt file.
    bool preferredCodonListUsed = false;
    std::string preferredCodonFileName;

    // -- Inclusion of a gene in the cumulative counts
    bool startCodonRequired = true;   // it must begin with a valid start codon
    bool stopCodonRequired = true;    // it must end with a stop codon
    bool allCodonsMustBeGood = true;  // none of its codons may hold a letter other than A, C, G, T
    bool noAlternativeCds = false;    // it may not be one of several CDSs of one gene
    bool noPrematureStops = true;     // it may hold no stop codon before its last

    // -- Output columns
    bool codonUsageOutput = true;      // amino-acid counts, codon shares and codon counts per gene
    bool reportBaseUsage = false;      // the four base fractions of every composition group
    bool degeneracyBreakdown = false;  // base composition by degeneracy class

    // -- Noncoding sequence: how flanks and introns are grouped
    NoncodingMode noncodingMode = NoncodingMode::Separate;

    // -- Segment analysis: optimal-codon use in a window of codons of each gene
    bool segmentAnalysis = false;
    bool segmentRelativeToStop = false;  // counted back from the stop codon, else on from the start
    std::int32_t segmentBegin = 1;       // from the start: at least 1; from the stop: at least 2
    std::int32_t segmentEnd = 10;        // from the start: beyond the begin; from the stop: before it

    // -- Checking the lookup table instead of analysing the genes
    bool checkLookupTable = false;
    bool checkAlt = false;           // list entries of genes with alternative CDSs
    bool checkSequenceFile = false;  // list entries whose sequence file cannot be opened
    bool checkCdsEnds = true;        // list entries whose CDS is marked incomplete

    // -- Files
    std::string lookupFileName;  // as the output file's header records it
    std::string outputFileName;
};

// What makes a set of options unusable, if anything: a minimum RSCU outside [0, 1), segment
// limits in the wrong order, a segment analysis without optimal codons.
std::optional<std::string> settingsProblem(const RunSettings& settings);

}  // namespace kestrel
