// Opening the input files of the companion tools: regular files only, so that a FIFO
// cannot block a tool and a pipe is never read half or twice. Where a tool reads one
// file, "-" names standard input.
#pragma once

#include <string>
#include <vector>

#include "formats/regular_file.hpp"
#include "formats/text_input.hpp"

namespace kestrel {

// Opens path into file; the empty text on success, else "PATH: why" for a message.
std::string openToolInput(InputFile& file, const std::string& path);

// The same for a text file that may be gzip-compressed.
std::string openToolInput(TextInput& file, const std::string& path);

// The whole of a regular file. Throws ToolFailure (bad data) for one that cannot be read.
std::string readWholeFile(const std::string& path);

// Appends the file names that a list file holds, one a line (blank lines passed over).
// Throws ToolFailure (bad data) for a list that cannot be read or a line too long for a name.
void readFileList(const std::string& list, std::vector<std::string>& inputs);

}  // namespace kestrel
