// Reads a KESTREL analysis output file back: the column-header line, the gene rows cut
// into cells under their labels, and the gene counts of the end-of-run summary. Shared by
// the plotting and table tools, so that there is one reading of the format.
#pragma once

#include <array>
#include <cstddef>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/reference_tables.hpp"

namespace kestrel {

// Thrown for a file that is not an analysis output file or whose rows do not fit its
// column-header line; the message names the file (and the line where there is one).
class KstlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct KstlColumn {
    std::string label;
    std::size_t start = 0;  // column of the label's first character, 0-based
    std::size_t width = 0;  // label plus its padding: the width of the cells below it
};

// One cell of a gene row: its text with surrounding blanks trimmed, or no value when the
// row shows a placeholder there. The text views the reader's current row, so it is valid
// until the next row is read; a table of many genomes has millions of cells.
struct KstlCell {
    std::string_view text;
    bool present = false;
};

struct KstlSummary {
    std::optional<long> genesIncluded;
    // The cumulative codon counts, by CodonIndex, when the summary lists them.
    std::optional<std::array<long, 64>> cumulativeCodons;
    std::optional<long> genesExcluded;
    // The included genes by start codon and by stop codon, in the summary's order: each
    // codon (by CodonIndex) with its count.
    std::vector<std::pair<int, long>> startTally;
    std::vector<std::pair<int, long>> stopTally;
    std::optional<long> badCodons;
    // The summary's last line was read: the run that wrote the file was not cut short
    // (interrupted, out of disk space, halted).
    bool complete = false;
};

// Splits a column-header line into its labels: at runs of blanks, except that "A fl"
// (the flank group's A fraction) is one label.
std::vector<KstlColumn> splitColumnHeader(std::string_view line);

// Cuts a line at runs of blanks into [begin, end) positions of its words.
void splitWords(std::string_view line, std::vector<std::pair<std::size_t, std::size_t>>& words);

// Parses a present cell as a number; no value for placeholders, text and non-finite numbers.
std::optional<double> numericValue(const KstlCell& cell);

// What the tools say of a file without its summary (KstlSummary::complete unset).
std::string cutShortText(const std::string& name);

class KstlReader {
public:
    // Reads the header up to and including the column-header line.
    KstlReader(std::istream& in, std::string name);

    const std::string& name() const { return name_; }
    // The NCBI number of the genetic code the genes were read with: the header's line for a
    // code other than the standard one, else 1.
    int geneticCode() const { return geneticCode_; }
    // The optimal codons of the .opt file the analysis used (1 = optimal), as the header's
    // copy of it gives them; no value when the run had none, or the copy holds no 64 entries
    // (the file could no longer be read when the header was written).
    const std::optional<OptimalCodonFlags>& optimalCodons() const { return optimalCodons_; }
    const std::vector<KstlColumn>& columns() const { return columns_; }
    // Position of the column with this label, or no value when the file lacks it.
    std::optional<std::size_t> columnIndex(std::string_view label) const;

    // Cuts the next gene row into one cell per column; false once the rows have ended.
    bool nextRow(std::vector<KstlCell>& cells);
    std::size_t rowsRead() const { return rowsRead_; }
    // The number of the line last read, from 1: the row's after nextRow.
    std::size_t lineNumber() const { return lineNumber_; }
    // The text of the row last cut, which the cells view.
    std::string_view currentRow() const { return line_; }

    // Reads the rest of the file (skipping any rows not yet read) for the summary's counts.
    KstlSummary readSummary();


private:
    [[noreturn]] void fail(const std::string& what) const;
    bool readLine();
    void readGeneticCode();
    void readOptimalCodons(const std::string& copy);
    void cutRow(std::vector<KstlCell>& cells);

    std::istream& in_;
    std::string name_;
    std::string line_;
    std::size_t lineNumber_ = 0;
    bool lineEnded_ = true;  // the last line read ended with a line feed
    std::size_t rowsRead_ = 0;
    int geneticCode_ = 1;
    std::optional<OptimalCodonFlags> optimalCodons_;
    bool rowsEnded_ = false;
    std::vector<KstlColumn> columns_;
    std::size_t strandColumn_ = 0;
    std::vector<std::pair<std::size_t, std::size_t>> tokens_;  // scratch: [begin, end) of row words
};

}  // namespace kestrel
