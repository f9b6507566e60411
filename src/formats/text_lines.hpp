// Reading the lines of outside text files with bounded memory: whatever the length of a
// line, at most a fixed number of its characters is held. Lines may end with LF, CR LF or,
// in old Mac files, a CR alone.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace kestrel {

// The longest line the analysis reads whole (a line buffer of 10000 with its terminator).
inline constexpr std::size_t MaxLineLength = 9999;

// What the readers of annotated sequence files hold of a line, a location or a qualifier
// value, however long the file makes them (a location is useless long before: the lookup
// table's CDS line holds at most 9999 characters).
inline constexpr std::size_t MaxHeldText = 1 << 16;

inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// Drops a UTF-8 byte-order mark from the start of a file's first line.
inline void dropByteOrderMark(std::string& firstLine) {
    if (firstLine.rfind(Utf8ByteOrderMark, 0) == 0) firstLine.erase(0, Utf8ByteOrderMark.size());
}

enum class LineRead {
    End,    // no line: the end of the input
    Whole,  // the whole line, or its last piece (without a last line feed, when in.eof() is now set)
    Cut,    // the first `limit` characters of a longer line: readLine passes over the rest,
            // readLinePiece leaves it for the next call
};

// Reads the next line into line, without its line end (delimiter, and a carriage return
// before a line feed). Time is linear in the length of the line, memory bounded by limit.
// A file of old Mac line ends is read with '\r' as the delimiter (see lineDelimiter).
LineRead readLine(std::istream& in, std::string& line, std::size_t limit = MaxLineLength,
                  char delimiter = '\n');

// Reads the next piece of a line: at most limit (at least 1) characters of it, so that a
// line of any length can be taken in pieces of bounded size. A CR before the line feed is
// dropped when it ends the line's last piece.
LineRead readLinePiece(std::istream& in, std::string& piece, std::size_t limit, char delimiter = '\n');

// '\r' when the stream's first line end is a CR not followed by a LF, else '\n' (a CR left
// before the LF is then readLine's to drop). Reads ahead at most 64 KiB from the read
// position and goes back to it; a stream that cannot go back is taken to use '\n'.
char lineDelimiter(std::istream& in);

}  // namespace kestrel
