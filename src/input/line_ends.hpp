// Which character ends the lines of a text file: LF (also for CR LF) or, in old Mac files, CR.
#pragma once

#include <istream>

namespace kestrel {

// '\r' when the stream's first line end is a CR not followed by a LF, else '\n' (a CR left
// before the LF is then the reader's to drop). Reads ahead at most 64 KiB from the read
// position and goes back to it; a stream that cannot go back is taken to use '\n'.
char lineDelimiter(std::istream& in);

}  // namespace kestrel
