// The per-gene codon-usage indices that kestrel-table adds to the gene rows (--indices,
// --trna) and the per-gene RSCU it writes in long form (--rscu), computed from the codon
// counts and the noncoding composition that each output file holds.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/trna_adaptation.hpp"
#include "formats/kstl_reader.hpp"

namespace kestrel {

struct IndexSettings {
    bool indices = false;
    bool genomeBackground = false;  // --background genome
    // The codon counts of --reference FILE.scu, the expected usage for MILC in place of
    // each file's cumulative counts.
    std::optional<std::array<double, 64>> reference;
    // --pseudocount: added to every codon of the expected usage for MILC.
    double pseudocount = 0;
    std::optional<TrnaCensus> census;
    // --trna-folder: the census of NAME.kstl is FOLDER/NAME.tsv (tAI NA without one).
    std::string censusFolder;
    bool rscu = false;
    bool tai() const { return census || !censusFolder.empty(); }
    // The file must be read twice: once for its whole noncoding composition and its
    // cumulative counts.
    bool needsFirstPass() const { return indices; }
    bool needsCodonCounts() const { return indices || tai() || rscu; }
};

// The labels of the added columns, in order.
std::vector<std::string> indexLabels(const IndexSettings& settings);

inline constexpr const char* RscuHeader = "source\tgene\tcodon\tamino_acid\tcount\tRSCU\n";

// What the first pass gathers of a whole file.
struct FileTotals {
    std::array<double, 4> noncodingBases{};  // A, G, C, T over every noncoding group of every row
    std::optional<std::array<long, 64>> cumulativeCodons;
    std::optional<TrnaCensus> census;  // the file's own, from --trna-folder
};

class GeneIndexColumns {
public:
    // Throws KstlError when the file lacks the codon-usage columns that the settings need.
    GeneIndexColumns(const IndexSettings& settings, const KstlReader& reader);

    // Adds one row's noncoding bases to the file's totals (the first pass).
    void addNoncoding(const std::vector<KstlCell>& cells, FileTotals& totals) const;
    // Sets the totals that the rows of the second pass use.
    void useTotals(const FileTotals& totals);

    // The codon counts of the row the reader last read (KstlError for a corrupt count).
    GeneCodonCounts countsOf(const KstlReader& reader, const std::vector<KstlCell>& cells) const;
    // Appends a tab and the cell of each added column.
    void appendCells(const std::vector<KstlCell>& cells, const GeneCodonCounts& counts, std::string& out) const;
    // Appends the gene's RSCU lines; source is the table's source field.
    void appendRscu(const std::vector<KstlCell>& cells, const GeneCodonCounts& counts, const std::string& source,
                    std::string& out) const;

private:
    // A noncoding group of the row: its base count and either the four base fractions or GC.
    struct NoncodingGroup {
        std::size_t bases = 0;
        std::array<std::optional<std::size_t>, 4> fractions;
        std::optional<std::size_t> gc;
    };
    // The bases of some groups: rebuilt from their fractions, and their summed base counts.
    struct GroupBases {
        std::array<double, 4> bases{};
        double counted = 0;
    };
    std::optional<GroupBases> groupBases(const std::vector<KstlCell>& cells,
                                         const std::vector<NoncodingGroup>& groups) const;
    void setExpectedShares(const std::array<double, 64>& counts);
    std::optional<BaseFrequencies> background(const std::vector<KstlCell>& cells) const;

    const IndexSettings& settings_;
    GeneticCode code_;
    std::array<std::size_t, 64> codonColumn_{};  // of each codon's count
    std::vector<NoncodingGroup> flanks_;     // the gene's own flanks
    std::vector<NoncodingGroup> noncoding_;  // every noncoding group
    std::optional<CodonShares> expectedShares_;
    std::optional<BaseFrequencies> genomeBackground_;
    std::optional<std::array<double, 64>> trnaWeights_;
    std::optional<OptimalCodonFlags> optimalCodons_;  // from the file's header, for CBI
};

}  // namespace kestrel
