#include "formats/kstl_reader.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "analysis/codon_letters.hpp"
#include "analysis/genetic_code.hpp"
#include "formats/kstl_format.hpp"
#include "formats/reference_file.hpp"
#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

// Rows are some two thousand characters at most; a longer line is no output file's.
constexpr std::size_t MaxKstlLineLength = 1 << 16;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

[[maybe_unused]] std::uint64_t byteSwapped(std::uint64_t x) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped = (swapped << 8) | ((x >> (8 * i)) & 0xffU);
    return swapped;
}

std::optional<long> countAfter(std::string_view line, std::string_view prefix) {
    if (line.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string digits(trimmed(line.substr(prefix.size())));
    char* end = nullptr;
    const long value = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0') return std::nullopt;
    return value;
}

// "  GCA    26849  (0.212)": a codon's line of the summary, its codon and count; no value
// for another line.
std::optional<std::pair<int, long>> codonLineCount(std::string_view line) {
    if (line.size() < 6 || line.substr(0, 2) != "  ") return std::nullopt;
    const int codon = codonOfLetters(line.substr(2, 3));
    const std::string_view rest = line.substr(5);
    const std::string digits(trimmed(rest.substr(0, rest.find('('))));
    char* end = nullptr;
    const long value = std::strtol(digits.c_str(), &end, 10);
    if (codon < 0 || digits.empty() || *end != '\0') return std::nullopt;
    return std::pair{codon, value};
}

void setCell(KstlCell& cell, std::string_view label, std::string_view text) {
    const std::string_view value = trimmed(text);
    cell.text = value;
    cell.present = !kstl::isPlaceholder(label, value);
}

// A word of a gene row: no blanks to trim, and most words are numbers, which are never
// placeholders except a bare 0 under a codon share.
void setWordCell(KstlCell& cell, std::string_view label, std::string_view word) {
    cell.text = word;
    const char first = word[0];
    cell.present = (first >= '1' && first <= '9') || !kstl::isPlaceholder(label, word);
}

// Bit i set when byte i of the eight at p is not a blank (bytes in memory order).
unsigned nonBlankBits8(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    if constexpr (std::endian::native == std::endian::big) x = byteSwapped(x);
    const std::uint64_t t = x ^ 0x2020202020202020ULL;  // blanks become zero bytes
    const std::uint64_t high = (((t & 0x7f7f7f7f7f7f7f7fULL) + 0x7f7f7f7f7f7f7f7fULL) | t) & 0x8080808080808080ULL;
    return static_cast<unsigned>(((high >> 7) * 0x0102040810204080ULL) >> 56);
}

// Gathers the header's copy of the .opt file: the lines after the line that names it, up to
// the column-header line. The RSCU file's copy comes first and ends at the minimum RSCU
// line; a line inside it that looks like the .opt file's line is not taken for it.
struct ReferenceCopies {
    enum class Part { Before, RscuCopy, AfterRscu, OptimalCopy, Done };
    Part part = Part::Before;
    std::string optimal;

    void take(std::string_view line) {
        switch (part) {
        case Part::Before:
            if (line.starts_with(kstl::RscuFileLine))
                part = trimmed(line.substr(kstl::RscuFileLine.size())) == kstl::NoReferenceFile ? Part::AfterRscu
                                                                                                 : Part::RscuCopy;
            break;
        case Part::RscuCopy:
            if (line.starts_with(kstl::MinimumRscuLine)) part = Part::AfterRscu;
            break;
        case Part::AfterRscu:
            if (line.starts_with(kstl::OptimalCodonFileLine))
                part = trimmed(line.substr(kstl::OptimalCodonFileLine.size())) == kstl::NoReferenceFile
                           ? Part::Done
                           : Part::OptimalCopy;
            break;
        case Part::OptimalCopy:
            optimal.append(line).push_back('\n');
            break;
        case Part::Done:
            break;
        }
    }
};

}  // namespace

// A gene row is some 1400 characters of short words; rather than a test per character,
// each block of 64 is turned into a mask of non-blanks whose rising and falling edges are
// the words' ends.
void splitWords(std::string_view line, std::vector<std::pair<std::size_t, std::size_t>>& words) {
    words.clear();
    const char* data = line.data();
    const std::size_t size = line.size();
    std::size_t wordBegin = 0;
    bool inWord = false;
    std::size_t block = 0;
    for (; block + 64 <= size; block += 64) {
        std::uint64_t nonBlank = 0;
        for (unsigned i = 0; i < 8; ++i) nonBlank |= std::uint64_t{nonBlankBits8(data + block + 8 * i)} << (8 * i);
        // An edge lies where a byte differs from the one before it.
        std::uint64_t edges = nonBlank ^ ((nonBlank << 1) | (inWord ? 1U : 0U));
        inWord = (nonBlank >> 63) != 0;
        while (edges != 0) {
            const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(edges));
            if ((nonBlank >> (at - block)) & 1U) {
                wordBegin = at;
            } else {
                words.emplace_back(wordBegin, at);
            }
            edges &= edges - 1;
        }
    }
    for (std::size_t pos = block; pos < size; ++pos) {
        const bool letter = data[pos] != ' ';
        if (letter && !inWord) wordBegin = pos;
        if (!letter && inWord) words.emplace_back(wordBegin, pos);
        inWord = letter;
    }
    if (inWord) words.emplace_back(wordBegin, size);
}

std::vector<KstlColumn> splitColumnHeader(std::string_view line) {
    std::vector<KstlColumn> columns;
    std::size_t pos = line.find_first_not_of(' ');
    while (pos != std::string_view::npos) {
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) end = line.size();
        const std::string_view word = line.substr(pos, end - pos);
        const std::string_view flank = kstl::FlankALabel;
        if (word == flank.substr(2) && !columns.empty() && columns.back().label == flank.substr(0, 1) &&
            columns.back().start + 2 == pos) {
            columns.back().label = flank;
        } else {
            columns.push_back({std::string(word), pos, 0});
        }
        pos = line.find_first_not_of(' ', end);
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::size_t next = i + 1 < columns.size() ? columns[i + 1].start : line.size();
        columns[i].width = next - columns[i].start;
    }
    return columns;
}

std::optional<double> numericValue(const KstlCell& cell) {
    if (!cell.present || cell.text.empty()) return std::nullopt;
    const char* begin = cell.text.data();
    const char* end = begin + cell.text.size();
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    // "nan" or "inf" in a cell is no number that a median or a plot can use.
    if (error != std::errc{} || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string cutShortText(const std::string& name) {
    return name + ": ends before its end-of-run summary: the run that wrote it was cut short";
}

KstlReader::KstlReader(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {
    if (!readLine()) fail("is empty, not a KESTREL output file");
    if (line_.starts_with(kstl::CheckFirstLine)) fail("is a lookup-table check report, not an analysis output file");
    if (!line_.starts_with(kstl::AnalysisFirstLine)) fail("is not a KESTREL output file");
    const std::string headerStart = std::string(kstl::identityLabel(kstl::GeneColumn)) + ' ';
    bool organismRead = false;
    ReferenceCopies copies;
    while (readLine()) {
        if (!organismRead && line_.starts_with(kstl::OrganismLine)) {
            organismRead = true;
            readGeneticCode();
        }
        copies.take(line_);
        if (!line_.starts_with(headerStart)) continue;
        columns_ = splitColumnHeader(line_);
        if (columns_.size() >= 4 && columns_[kstl::FileColumn].label == kstl::identityLabel(kstl::FileColumn) &&
            columns_[kstl::ContigColumn].label == kstl::identityLabel(kstl::ContigColumn))
            break;
        columns_.clear();
    }
    if (columns_.empty()) fail("has no column-header line: not a KESTREL output file, or one whose run was cut short");
    readOptimalCodons(copies.optimal);
    const auto strand = columnIndex(kstl::identityLabel(kstl::StrandColumn));
    if (!strand) fail("has no Strand column in its column-header line");
    strandColumn_ = *strand;
}

// The line after the genome type's names the code, unless it is the standard one. (The
// header's copies of the reference files come later: their lines are never read so.)
void KstlReader::readGeneticCode() {
    if (!readLine() || !line_.starts_with(kstl::GeneticCodeLine)) return;
    const std::string_view rest = std::string_view(line_).substr(kstl::GeneticCodeLine.size());
    int number = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    if (error != std::errc{} || end == rest.data() || !geneticCodeOf(number))
        fail("names no NCBI genetic code in its line \"" + std::string(kstl::GeneticCodeLine) + "...\"");
    geneticCode_ = number;
}

// The entries of the header's copy of the .opt file, read as the analysis read the file.
void KstlReader::readOptimalCodons(const std::string& copy) {
    if (copy.empty()) return;
    std::istringstream in(copy);
    OptimalCodonFlags flags{};
    if (readReferenceEntries(in, flags)) optimalCodons_ = flags;
}

std::optional<std::size_t> KstlReader::columnIndex(std::string_view label) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].label == label) return i;
    }
    return std::nullopt;
}

void KstlReader::fail(const std::string& what) const {
    std::string message = name_;
    if (lineNumber_ > 0) message += ", line " + std::to_string(lineNumber_);
    throw KstlError(message + ": " + what);
}

bool KstlReader::readLine() {
    const LineRead read = kestrel::readLine(in_, line_, MaxKstlLineLength);
    if (read == LineRead::End) return false;
    ++lineNumber_;
    if (read == LineRead::Cut) fail("line longer than " + std::to_string(MaxKstlLineLength) + " characters");
    lineEnded_ = !in_.eof();
    return true;
}

bool KstlReader::nextRow(std::vector<KstlCell>& cells) {
    if (rowsEnded_) return false;
    // A last row without its line end is where an interrupted run stopped writing.
    if (!readLine() || line_.empty() || !lineEnded_) {
        rowsEnded_ = true;
        return false;
    }
    cutRow(cells);
    ++rowsRead_;
    return true;
}

// Every cell after Gene and File is one word followed by at least one blank, even where
// a value is wider than its label, so those cells are the row's last words. Gene and
// File may hold blanks; they are cut from what lies before the Contig cell.
void KstlReader::cutRow(std::vector<KstlCell>& cells) {
    auto& tokens = tokens_;
    const std::string_view row = line_;
    splitWords(row, tokens);
    const std::size_t fixedCells = columns_.size() - 2;
    if (tokens.size() < fixedCells + 1) fail("gene row has fewer cells than the column-header line has labels");

    const std::size_t first = tokens.size() - fixedCells;
    const auto [contigBegin, contigEnd] = tokens[first];
    const std::size_t contigWidth = columns_[kstl::ContigColumn].width;
    // The Contig cell is right-aligned: its leading blanks belong to it, not to File.
    std::size_t prefixEnd = contigEnd + 1 >= contigWidth ? std::min(contigBegin, contigEnd + 1 - contigWidth) : 0;
    prefixEnd = std::max(prefixEnd, tokens[first - 1].second);
    const std::string_view prefix = row.substr(0, prefixEnd);
    const std::size_t geneWidth = columns_[kstl::GeneColumn].width;
    const std::size_t fileWidth = columns_[kstl::FileColumn].width;
    if (prefix.size() <= geneWidth) fail("gene row is too short for its Gene and File cells");

    std::size_t fileStart = geneWidth;
    // A gene name as wide as its cell runs straight into the file name, whose cell keeps its width.
    if (prefix[geneWidth - 1] != ' ' && prefix.size() >= geneWidth + fileWidth) fileStart = prefix.size() - fileWidth;

    cells.resize(columns_.size());
    setCell(cells[0], columns_[0].label, prefix.substr(0, fileStart));
    setCell(cells[1], columns_[1].label, prefix.substr(fileStart));
    for (std::size_t i = 2; i < columns_.size(); ++i) {
        const auto [b, e] = tokens[first + i - 2];
        setWordCell(cells[i], columns_[i].label, row.substr(b, e - b));
    }
    const std::string_view strand = cells[strandColumn_].text;
    if (strand != "Forward" && strand != "Reverse") fail("gene row does not line up with the column-header line");
}

KstlSummary KstlReader::readSummary() {
    KstlSummary summary;
    // Which list of codon lines is being read: the cumulative counts (between the gene counts
    // and the start tallies), the start tallies or the stop tallies.
    enum class Part { None, Cumulative, Starts, Stops } part = Part::None;
    rowsEnded_ = true;
    while (readLine()) {
        if (auto n = countAfter(line_, kstl::IncludedLine)) summary.genesIncluded = n;
        if (auto n = countAfter(line_, kstl::ExcludedLine)) {
            summary.genesExcluded = n;
            summary.cumulativeCodons.emplace();
            part = Part::Cumulative;
        }
        if (line_ == kstl::StartTallyLine) part = Part::Starts;
        if (line_ == kstl::StopTallyLine) part = Part::Stops;
        if (const auto count = part == Part::None ? std::nullopt : codonLineCount(line_)) {
            if (count->second < 0)
                fail(part == Part::Cumulative ? "a cumulative codon count is negative" : "a start or stop tally is negative");
            if (part == Part::Cumulative) (*summary.cumulativeCodons)[static_cast<std::size_t>(count->first)] = count->second;
            if (part == Part::Starts) summary.startTally.push_back(*count);
            if (part == Part::Stops) summary.stopTally.push_back(*count);
        }
        if (auto n = countAfter(line_, kstl::BadCodonsLine)) {
            summary.badCodons = n;
            summary.complete = true;
            part = Part::None;
        }
    }
    return summary;
}

}  // namespace kestrel
