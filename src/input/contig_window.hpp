// The window over a contig of a sequence file: the stored sequence holds consecutive
// sequence lines of the current contig, and moves forward through it as the genes of
// the contig are read in turn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/regular_file.hpp"
#include "input/stored_sequence.hpp"

namespace kestrel {

// Reader state kept from gene to gene: the open sequence file, the places of the
// "ORIGIN" lines already passed in it, and the window over the current contig.
class ContigWindow {
public:
    explicit ContigWindow(StoredSequence& store) : store_(store) {}
    void close() {
        if (stream_.is_open()) stream_.close();
    }

    // Makes position firstPos (>= 1) of the record's contig readable in the window:
    // reopens the file when asked or when it is another file, enters the contig when it
    // is another contig or when firstPos lies before the window's first row, then moves
    // the window forward. False when the file, the contig or its sequence is missing;
    // the next gene is then positioned as in a new file.
    bool position(const std::string& file, std::int32_t contig, bool forceNewFile,
                  std::int64_t firstPos);

    // Row and column of a position that lies in the window.
    std::int32_t rowOf(std::int64_t pos) const {
        return static_cast<std::int32_t>((pos - windowStart_) / basesPerRow_);
    }
    std::int32_t columnOf(std::int64_t pos) const {
        return static_cast<std::int32_t>((pos - 1) % basesPerRow_);
    }
    std::int32_t basesPerRow() const { return basesPerRow_; }
    std::int64_t windowStart() const { return windowStart_; }
    const StoredSequence& store() const { return store_; }
    // How often a contig was entered from its "ORIGIN" line: genes of one contig share
    // the window when this does not grow.
    std::int64_t contigEntries() const { return contigEntries_; }
    // How the last open of a sequence file went.
    OpenStatus openStatus() const { return openStatus_; }
    // The current contig's sequence ended early, at a line longer than the reader holds.
    bool overlongLine() const { return overlongLine_; }
    // The current contig's sequence ended without its "//" line: at the end of the file (a file
    // cut short), or where another record begins.
    bool unterminated() const { return unterminated_; }

    // Moves the window forward by one row, filling the new last row from the file.
    void advanceWindow();

private:
    bool openFile(const std::string& file);
    bool seekRemembered(std::size_t n);
    bool seekOrigin(std::int32_t contig);
    bool enterContig();
    void fillRow(std::string& row);
    bool readLine();
    bool takesLetters();
    void noteOriginLine();

    StoredSequence& store_;
    InputFile stream_;
    OpenStatus openStatus_ = OpenStatus::Opened;
    std::string line_;       // reused for every line read
    bool lineCut_ = false;   // line_ is the start of a longer line
    char lineEnd_ = '\n';    // '\r' in a file of old Mac line ends
    bool overlongLine_ = false;
    bool unterminated_ = false;

    std::string fileName_;                  // the file the stream is open on
    std::vector<std::streampos> origins_;   // just after the n-th "ORIGIN" line, n = 1, 2, ...
    std::size_t originsPassed_ = 0;         // "ORIGIN" lines before the read position
    std::int32_t contig_ = 0;               // contig in the window, 0 for none

    std::int64_t windowStart_ = 1;  // position of the first base of row 0
    std::int32_t basesPerRow_ = 0;
    bool endOfSequence_ = false;    // "//" or the end of the file met in the current contig
    std::int64_t contigEntries_ = 0;
};

}  // namespace kestrel
