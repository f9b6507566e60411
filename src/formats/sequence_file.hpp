// Writing sequences where the analysis reads them: records laid out as a GenBank file's
// sequence section.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace kestrel {

// Writes one record: a "LOCUS" line with the name, an "ORIGIN" line, the letters in lower case
// in lines of 60 in groups of 10 after their position, and "//". The analysis counts the lines that hold
// "ORIGIN" to find a record, so the name is written with any "ORIGIN" in it lower-cased, and
// with blanks, control characters and '/' as '_'; an empty name is written as "unnamed".
void writeSequenceRecord(std::ostream& out, std::string_view name, std::string_view letters);

}  // namespace kestrel
