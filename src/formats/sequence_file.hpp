// Writing sequences where the analysis reads them: records laid out as a GenBank file's
// sequence section.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace kestrel {

// Writes records one piece at a time, as their bases are read, so that memory does not grow
// with a record. A record is a "LOCUS" line with its name, an "ORIGIN" line, the bases in lower
// case in lines of 60 in groups of 10 after their position, and "//". The analysis counts the
// lines that hold "ORIGIN" to find a record, so the name is written with any "ORIGIN" in it
// lower-cased, and with blanks, control characters and '/' as '_'; an empty name is written as
// "unnamed".
class SequenceRecordWriter {
public:
    explicit SequenceRecordWriter(std::ostream& out) : out_(out) {}
    void begin(std::string_view name);
    void append(std::string_view bases);
    void end();

private:
    void writeLine();

    std::ostream& out_;
    std::int64_t written_ = 0;  // bases of the record on the lines written
    std::string line_;          // the bases of the line being filled, at most 60
};

// Writes one whole record.
void writeSequenceRecord(std::ostream& out, std::string_view name, std::string_view bases);

}  // namespace kestrel
