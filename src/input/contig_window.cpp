#include "input/contig_window.hpp"

#include <algorithm>
#include <array>

#include "formats/sequence_letters.hpp"
#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

bool contains(const std::string& line, const char* text) {
    return line.find(text) != std::string::npos;
}

// The base a character stands for (see sequenceLetter), upper-cased; 0 for layout (position
// numbers, blanks), dropped. A gap sign is an unreadable base, N.
constexpr std::array<char, 256> UpperLetter = [] {
    std::array<char, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        const char letter = SequenceLetter[c];
        table[c] = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    }
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
bool ContigWindow::readLine() {
    const LineRead read = kestrel::readLine(stream_, line_, MaxLineLength, lineEnd_);
    lineCut_ = read == LineRead::Cut;
    return read != LineRead::End;
}

bool ContigWindow::takesLetters() {
    if (lineCut_) overlongLine_ = true;
    return !lineCut_;
}

void ContigWindow::noteOriginLine() {
    ++originsPassed_;
    if (originsPassed_ == origins_.size() + 1 && origins_.size() < MaxRememberedOrigins)
        origins_.push_back(stream_.tellg());
}

bool ContigWindow::openFile(const std::string& file) {
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
bool ContigWindow::seekRemembered(std::size_t n) {
    stream_.clear();
    stream_.seekg(n == 0 ? std::streampos(0) : origins_[n - 1]);
    originsPassed_ = n;
    return !stream_.fail();
}

bool ContigWindow::seekOrigin(std::int32_t contig) {
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

bool ContigWindow::enterContig() {
    ++contigEntries_;
    windowStart_ = 1;
    basesPerRow_ = 0;
    endOfSequence_ = false;
    overlongLine_ = false;
    unterminated_ = false;
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
// every later one stay empty. Only "//" ends it as a record should end.
void ContigWindow::fillRow(std::string& row) {
    row.clear();
    while (!endOfSequence_) {
        const bool read = readLine();
        if (!read || endsContig(line_)) {
            endOfSequence_ = true;
            unterminated_ = !read || !contains(line_, "//");
        } else if (contains(line_, "ORIGIN")) {
            noteOriginLine();
            endOfSequence_ = true;
            unterminated_ = true;
        } else if (!takesLetters()) {
            endOfSequence_ = true;
        } else {
            appendLetters(line_, row, static_cast<std::size_t>(basesPerRow_));
            if (!row.empty()) return;
        }
    }
}

void ContigWindow::advanceWindow() {
    store_.advance();
    windowStart_ += basesPerRow_;
    fillRow(store_.row(store_.nRows() - 1));
}

bool ContigWindow::position(const std::string& file, std::int32_t contig, bool forceNewFile,
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

}  // namespace kestrel
