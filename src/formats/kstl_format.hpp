// The analysis output file (.kstl): a header that records the options, a column-header
// line, one fixed-width row per gene, and the end-of-run summary. The analysis writes it
// and the companion tools read it back; both take its layout from here.
//
// A row is cut into groups of columns. Which groups a file has, and in what order, follows
// from the settings (columnGroups); the header writer, the row writer and the readers all
// walk that one list. A label is padded to the width of the cells below it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/run_settings.hpp"

namespace kestrel::kstl {

// The first line of an analysis output file is this and the lookup table's name; a
// lookup-table check report starts with the second.
inline constexpr std::string_view AnalysisFirstLine = "KESTREL output file for: ";
inline constexpr std::string_view CheckFirstLine = "KESTREL check of lookup file: ";

// Lines of the end-of-run summary, each ended by a count; the bad-codon line is the last
// line of a file whose run was not cut short.
inline constexpr std::string_view IncludedLine = "Number of Genes in Cumulative Counts: ";
inline constexpr std::string_view ExcludedLine = "Number of Excluded Genes: ";
inline constexpr std::string_view BadCodonsLine = "Bad codons: ";
// The line that ends the cumulative codon counts and heads the start-codon tallies.
inline constexpr std::string_view StartTallyLine = "START";
// The line that ends the start-codon tallies and heads the stop-codon tallies.
inline constexpr std::string_view StopTallyLine = "STOP";

enum class ColumnGroup {
    Identity,     // Gene to BadCdns: where the gene lies, its flags and codon tallies
    Indices,      // ENC, Chi_L, ChiSc, Fop, CAI
    Ends,         // start and stop codons, introns, alternative CDSs, room to the neighbours
    Upstream,     // noncoding bases: counts, bad bases, base fractions of one group
    CoreIntrons,
    Downstream,
    Flanks,       // upstream and downstream together
    Noncoding,    // all noncoding bases together
    Positions,    // base fractions of the coding bases by codon position
    Degeneracy2,  // the same for the codons of two-codon amino acids,
    Degeneracy4,  // of fourfold degenerate third positions,
    Degeneracy6,  // and of the four-codon blocks of six-codon amino acids
    AminoAcidCounts,
    CodonShares,  // each codon's share of its amino acid
    CodonCounts,
    Segment,      // the segment analysis
};

// The groups of one file, in row order.
struct ColumnGroups {
    std::array<ColumnGroup, 16> groups{};
    std::size_t count = 0;
    const ColumnGroup* begin() const { return groups.data(); }
    const ColumnGroup* end() const { return groups.data() + count; }
};

ColumnGroups columnGroups(const RunSettings& settings);

struct Column {
    std::string label;
    std::size_t width = 0;  // the label and its padding: the width of the cells below it
};

// The columns of a group; the base-usage option adds the four base fractions to every
// composition group, and the genetic code groups the codon columns by amino acid.
std::vector<Column> groupColumns(ColumnGroup group, const RunSettings& settings);

// The column labels for these settings, each padded to its cell's width, ended by a
// newline.
std::string columnHeaderLine(const RunSettings& settings);

// The identity columns that every file has, by position.
inline constexpr std::size_t GeneColumn = 0;
inline constexpr std::size_t FileColumn = 1;
inline constexpr std::size_t ContigColumn = 2;
inline constexpr std::size_t StrandColumn = 5;
std::string_view identityLabel(std::size_t column);

// The one label that holds a blank: the A fraction of the flanks' group.
inline constexpr std::string_view FlankALabel = "A fl";

// Labels of the codon usage groups: "Ala_A", "GCA_A", "N_GCA_A" (the codon's letters and
// the letter of its amino acid under the code).
std::string aminoAcidCountLabel(int aminoAcid);
std::string codonShareLabel(int codon, const GeneticCode& code);
std::string codonCountLabel(int codon, const GeneticCode& code);

// The header line that names a genetic code other than the standard one comes right after
// the genome type's line: "Genetic code: 4 (NAME)". The standard code has no such line.
inline constexpr std::string_view OrganismLine = "Type of Organism: ";
inline constexpr std::string_view GeneticCodeLine = "Genetic code: ";
std::string geneticCodeLine(const GeneticCode& code);

// The reference files in use are named on these lines ("none" for a file not used), each
// copied whole below its line; the copy of the RSCU file is followed by the minimum RSCU
// line. The names are padded to line up: "RSCU file for CAI:          NAME".
inline constexpr std::string_view RscuFileLine = "RSCU file for CAI: ";
inline constexpr std::string_view MinimumRscuLine = "Minimum RSCU value: ";
inline constexpr std::string_view OptimalCodonFileLine = "Optimal codon file for Fop: ";
inline constexpr std::string_view NoReferenceFile = "none";

// True when a cell's text, trimmed, under this label is a placeholder for a value that
// could not be given: ".", "nc", "na", "overlap", or a bare 0 as the share of a codon
// whose amino acid the gene lacks.
bool isPlaceholder(std::string_view label, std::string_view trimmed);

}  // namespace kestrel::kstl
