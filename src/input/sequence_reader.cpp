#include "input/sequence_reader.hpp"

#include <array>

#include <algorithm>
#include <limits>

#include "analysis/codon_step.hpp"
#include "analysis/cumulative.hpp"
#include "analysis/genetic_code.hpp"
#include "analysis/segment_window.hpp"
#include "formats/text_lines.hpp"
#include "setup/console.hpp"

namespace kestrel {

namespace {

bool contains(const std::string& line, const char* text) {
    return line.find(text) != std::string::npos;
}

// The letters of a sequence line, upper-cased; position numbers, blanks and other
// characters are dropped.
// Letter -> its upper case, anything else -> 0 (dropped).
constexpr std::array<char, 256> UpperLetter = [] {
    std::array<char, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<std::size_t>(c)] = static_cast<char>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[static_cast<std::size_t>(c)] = static_cast<char>(c - 'a' + 'A');
    return table;
}();

// A row never holds more than cap letters: the walk reads no column past basesPerRow, so
// a longer line would only take memory.
void appendLetters(const std::string& line, std::string& row, std::size_t cap) {
    const std::size_t start = row.size();
    if (start >= cap) return;
    row.resize(start + std::min(line.size(), cap - start));
    char* out = row.data() + start;
    const char* const end = row.data() + row.size();
    for (const char c : line) {
        if (out == end) break;
        const char upper = UpperLetter[static_cast<unsigned char>(c)];
        *out = upper;
        out += upper != 0;
    }
    row.resize(static_cast<std::size_t>(out - row.data()));
}

// The stored sequence holds at most this many letters (the rows in use shrink when the
// lines are long), so that the window's memory does not grow with the line length.
constexpr std::int64_t WindowLetterBudget = 16 << 20;

// The places of at most this many "ORIGIN" lines are remembered per file.
constexpr std::size_t MaxRememberedOrigins = 1 << 16;

// A contig ends at its "//" line. A line that opens the next record ("LOCUS" at the start
// of the line) ends it too, so that a file missing a "//" does not have the next record's
// header and features read as bases.
bool endsContig(const std::string& line) {
    return contains(line, "//") || line.compare(0, 5, "LOCUS") == 0;
}

bool startsWithDigit(const std::string& line) {
    const std::size_t k = line.find_first_not_of(" \t");
    return k != std::string::npos && line[k] >= '0' && line[k] <= '9';
}

}  // namespace

// A line longer than the reader holds counts as read; one that should give sequence
// letters ends the contig's sequence there instead (see takesLetters).
bool SequenceReader::readLine() {
    const LineRead read = kestrel::readLine(stream_, line_, MaxLineLength, lineEnd_);
    lineCut_ = read == LineRead::Cut;
    return read != LineRead::End;
}

bool SequenceReader::takesLetters() {
    if (lineCut_) overlongLine_ = true;
    return !lineCut_;
}

void SequenceReader::noteOriginLine() {
    ++originsPassed_;
    if (originsPassed_ == origins_.size() + 1 && origins_.size() < MaxRememberedOrigins)
        origins_.push_back(stream_.tellg());
}

bool SequenceReader::openFile(const std::string& file) {
    close();
    openStatus_ = stream_.open(file);
    originsPassed_ = 0;
    if (openStatus_ != OpenStatus::Opened) {
        fileName_.clear();
        origins_.clear();
        return false;
    }
    lineEnd_ = lineDelimiter(stream_);
    // The places of the "ORIGIN" lines of a file stay valid for the whole run.
    if (file != fileName_) origins_.clear();
    fileName_ = file;
    return true;
}

// Goes to just after the n-th "ORIGIN" line remembered, or to the file's start for n = 0.
bool SequenceReader::seekRemembered(std::size_t n) {
    stream_.clear();
    stream_.seekg(n == 0 ? std::streampos(0) : origins_[n - 1]);
    originsPassed_ = n;
    return !stream_.fail();
}

bool SequenceReader::seekOrigin(std::int32_t contig) {
    if (contig < 1) return false;
    const auto wanted = static_cast<std::size_t>(contig);
    if (wanted <= origins_.size()) return seekRemembered(wanted);
    // Read on from here, unless the read position lies behind the last place remembered
    // or past the wanted line.
    if ((originsPassed_ < origins_.size() || originsPassed_ > wanted) && !seekRemembered(origins_.size()))
        return false;
    while (originsPassed_ < wanted) {
        if (!readLine()) return false;
        if (contains(line_, "ORIGIN")) noteOriginLine();
    }
    return true;
}

bool SequenceReader::enterContig() {
    ++contigEntries_;
    windowStart_ = 1;
    basesPerRow_ = 0;
    endOfSequence_ = false;
    overlongLine_ = false;
    store_.clearAll();
    for (;;) {
        if (!readLine() || endsContig(line_)) return false;
        if (contains(line_, "ORIGIN")) {
            noteOriginLine();
            return false;
        }
        if (startsWithDigit(line_)) break;
    }
    if (!takesLetters()) return false;
    std::string& first = store_.row(0);
    appendLetters(line_, first, MaxLineLength);
    if (first.empty()) return false;
    basesPerRow_ = static_cast<std::int32_t>(first.size());
    store_.useRows(static_cast<std::int32_t>(
        std::clamp<std::int64_t>(WindowLetterBudget / basesPerRow_, 1, store_.allocatedRows())));
    for (std::int32_t r = 1; r < store_.nRows(); ++r) fillRow(store_.row(r));
    return true;
}

// A row takes the letters of the next line that holds any; lines without letters (the
// blank lines of a double-spaced layout) are passed over. "//" (or the next "LOCUS"), the
// end of the file or the next contig's "ORIGIN" line ends the sequence: this row and
// every later one stay empty.
void SequenceReader::fillRow(std::string& row) {
    row.clear();
    while (!endOfSequence_) {
        if (!readLine() || endsContig(line_)) {
            endOfSequence_ = true;
        } else if (contains(line_, "ORIGIN")) {
            noteOriginLine();
            endOfSequence_ = true;
        } else if (!takesLetters()) {
            endOfSequence_ = true;
        } else {
            appendLetters(line_, row, static_cast<std::size_t>(basesPerRow_));
            if (!row.empty()) return;
        }
    }
}

void SequenceReader::advanceWindow() {
    store_.advance();
    windowStart_ += basesPerRow_;
    fillRow(store_.row(store_.nRows() - 1));
}

bool SequenceReader::position(const std::string& file, std::int32_t contig, bool forceNewFile,
                              std::int64_t firstPos) {
    if (store_.nRows() < 1) return false;
    const bool newFile =
        forceNewFile || contig_ == 0 || !stream_.is_open() || file != fileName_;
    if (newFile && !openFile(file)) {
        contig_ = 0;
        return false;
    }
    // Re-entering the contig from its "ORIGIN" line also serves a gene that starts before
    // the window's first row, so it reads exactly as with a window large enough.
    if (newFile || contig != contig_ || firstPos < windowStart_) {
        contig_ = 0;
        if (!seekOrigin(contig) || !enterContig()) return false;
        contig_ = contig;
    }
    const std::int64_t lastRow = store_.nRows() - 1;
    std::int64_t rowsToMove = (firstPos - windowStart_) / basesPerRow_ - lastRow;
    while (rowsToMove > 0) {
        if (endOfSequence_ && rowsToMove >= store_.nRows()) {
            // Past the end of the contig every row is empty: jump instead of stepping.
            store_.clearAll();
            windowStart_ += rowsToMove * basesPerRow_;
            break;
        }
        advanceWindow();
        --rowsToMove;
    }
    return true;
}

namespace {

struct WalkBounds {
    std::int64_t firstPos;
    std::int64_t lastPos;
};

// From the lower flank's first base to the upper flank's last; each flank at most 1000
// bases and measured outward from the outermost coordinates of all alternative CDSs.
WalkBounds walkBounds(const GeneRecord& record) {
    const std::int64_t cdsStart = record.cdsStart();
    const std::int64_t cdsEnd = record.cdsEnd();
    const std::int64_t altFirst = record.altCDSFirst;
    const std::int64_t altLast = record.altCDSlast;

    WalkBounds bounds{cdsStart, cdsEnd};
    if (record.beforeSpace > 0) {
        const std::int64_t room = record.beforeSpace == UnlimitedSpace
                                      ? altFirst - 1
                                      : record.beforeSpace - (cdsStart - altFirst);
        const std::int64_t lowStart = altFirst - std::min(room, FlankCap);
        if (room > 0 && lowStart >= 1) bounds.firstPos = lowStart;
    }
    if (record.afterSpace > 0) {
        const std::int64_t room = record.afterSpace == UnlimitedSpace
                                      ? FlankCap
                                      : record.afterSpace - (altLast - cdsEnd);
        if (room > 0) bounds.lastPos = altLast + std::min(room, FlankCap);
    }
    // Positions below 1 hold no base.
    bounds.firstPos = std::max<std::int64_t>(bounds.firstPos, 1);
    return bounds;
}

std::int32_t codonTotalOf(const GeneRecord& record) {
    std::int64_t length = 0;
    for (std::int32_t k = 0; k < record.nExons; ++k)
        length += static_cast<std::int64_t>(record.exonLast(k)) - record.exonFirst(k) + 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        length / 3, std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
}

std::string overlongText(const std::string& file) {
    return "a line of " + file + " longer than " + std::to_string(MaxLineLength) + " characters";
}

void countBase(int base, BaseCounts& bases, std::int32_t& bad) {
    if (base == NoBase)
        ++bad;
    else
        ++bases[base];
}

// The walk proper: every position from firstPos to lastPos is classed as upstream,
// downstream, coding, core intron or not counted; coding bases become codons. True when
// the walk ended early, at the end of the stored sequence.
bool walkGene(SequenceReader& reader, const GeneRecord& record, const WalkBounds& bounds,
              const RunSettings& settings, const OptimalCodonFlags& optimal,
              GeneCounts& counts) {
    const StoredSequence& store = reader.store();
    const std::int32_t lastRow = store.nRows() - 1;
    const std::int32_t basesPerRow = reader.basesPerRow();
    const bool complement = record.complement;
    const std::int32_t nExons = record.nExons;
    const std::int64_t cdsEnd = record.cdsEnd();
    const std::int64_t firstExonLast = record.exonLast(0);
    const std::int64_t lastExonFirst = record.exonFirst(nExons - 1);
    // Upstream lies before the gene in coding direction: below it on the forward strand,
    // above it on the complement strand.
    BaseCounts& lowBases = complement ? counts.downBase : counts.upBase;
    std::int32_t& lowBad = complement ? counts.downBad : counts.upBad;
    BaseCounts& highBases = complement ? counts.upBase : counts.downBase;
    std::int32_t& highBad = complement ? counts.upBad : counts.downBad;

    std::int64_t pos = bounds.firstPos;
    std::int32_t row = reader.rowOf(pos);
    std::int32_t column = reader.columnOf(pos);
    const std::string* rowText = &store.row(row);

    int phase = complement ? 2 : 0;
    bool firstPending = !complement;
    bool lastPending = complement;
    std::int32_t exon = 0;
    std::int32_t codonNumber = complement ? counts.codonTotal - 1 : 0;
    CodonBases bases{NoBase, NoBase, NoBase};
    bool rereading = false;

    while (pos <= bounds.lastPos) {
        if (!rereading && column == basesPerRow) {
            column = 0;
            if (row == lastRow)
                reader.advanceWindow();
            else
                ++row;
            rowText = &store.row(row);
        }
        rereading = false;
        if (static_cast<std::size_t>(column) >= rowText->size()) return true;  // past the contig's end
        int base = baseIndex((*rowText)[static_cast<std::size_t>(column)]);
        if (complement && base != NoBase) base = 3 - base;

        if (pos < record.altCDSFirst) {
            countBase(base, lowBases, lowBad);
        } else if (pos > record.altCDSlast) {
            countBase(base, highBases, highBad);
        } else if (exon < nExons && record.exonFirst(exon) <= pos && pos <= record.exonLast(exon)) {
            bases[static_cast<std::size_t>(phase)] = base;
            bool complete;
            if (complement) {
                complete = phase == 0;
                phase = phase == 0 ? 2 : phase - 1;
            } else {
                complete = phase == 2;
                phase = phase == 2 ? 0 : phase + 1;
            }
            if (complete) {
                const bool isFirst = firstPending || (complement && pos == cdsEnd);
                const bool isLast = lastPending || (!complement && pos == cdsEnd);
                if (isFirst) firstPending = false;
                if (isLast) lastPending = false;
                codonStep(bases, isFirst, isLast, codonNumber, settings, optimal, counts);
                codonNumber += complement ? -1 : 1;
            }
        } else if (firstExonLast < pos && pos < lastExonFirst) {
            countBase(base, counts.coreBase, counts.coreBad);
        }

        if (pos == bounds.lastPos) break;
        if (exon < nExons && pos == record.exonLast(exon)) {
            ++exon;
            // A base shared by two exons is read once for each.
            if (exon < nExons && record.exonFirst(exon) == pos) {
                rereading = true;
                continue;
            }
        }
        ++pos;
        ++column;
    }
    return false;
}

}  // namespace

bool readSequence(SequenceReader& reader, const GeneRecord& record, bool forceNewFile,
                  const RunSettings& settings, const OptimalCodonFlags& optimal,
                  GeneCounts& counts, CumulativeCounts& cumulative, Console& console) {
    counts.noStart = false;
    counts.noStop = false;
    counts.preStop = false;
    counts.segmentValid = false;
    if (record.nExons <= 0 || record.cds.size() < 2 * static_cast<std::size_t>(record.nExons)) {
        counts.codonTotal = 0;
        ++cumulative.genesExcluded;
        return true;
    }
    counts.codonTotal = codonTotalOf(record);
    const WalkBounds bounds = walkBounds(record);
    if (!reader.position(record.file, record.contig, forceNewFile, bounds.firstPos)) {
        if (reader.openStatus() == OpenStatus::CannotOpen)
            console.write("\a\n Sequence file " + record.file + " of " + record.gene + " could not be opened");
        else if (reader.openStatus() == OpenStatus::NotRegular)
            console.write("\a\n Sequence of " + record.gene + " not read: " + record.file + " is not a regular file");
        else if (reader.overlongLine())
            console.write("\a\n Sequence of " + record.gene + " not read: " + overlongText(record.file));
        else
            console.write("\a\n Sequence of " + record.gene + " not found in " + record.file);
        ++cumulative.genesExcluded;
        return false;
    }
    fixSegmentWindow(settings, counts);
    if (walkGene(reader, record, bounds, settings, optimal, counts) && reader.overlongLine())
        console.write("\a\n Sequence of " + record.gene + " read only up to " + overlongText(record.file));
    endOfGeneStep(record, settings, counts, cumulative);
    return true;
}

}  // namespace kestrel
