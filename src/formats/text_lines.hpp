// Reading the lines of outside text files with bounded memory: whatever the length of a
// line, at most a fixed number of its characters is held. Lines may end with LF, CR LF or,
// in old Mac files, a CR alone.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace kestrel {

// The longest line the analysis reads whole (a line buffer of 10000 with its terminator).
inline constexpr std::size_t MaxLineLength = 9999;

enum class LineRead {
    End,    // no line: the end of the input
    Whole,  // the whole line (without a last line feed, when in.eof() is now set)
    Cut,    // the first `limit` characters of a longer line; the rest is passed over
};

// Reads the next line into line, without its line end (delimiter, and a carriage return
// before a line feed). Time is linear in the length of the line, memory bounded by limit.
// A file of old Mac line ends is read with '\r' as the delimiter (see lineDelimiter).
LineRead readLine(std::istream& in, std::string& line, std::size_t limit = MaxLineLength,
                  char delimiter = '\n');

// '\r' when the stream's first line end is a CR not followed by a LF, else '\n' (a CR left
// before the LF is then readLine's to drop). Reads ahead at most 64 KiB from the read
// position and goes back to it; a stream that cannot go back is taken to use '\n'.
char lineDelimiter(std::istream& in);

}  // namespace kestrel
