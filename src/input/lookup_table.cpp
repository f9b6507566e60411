#include "input/lookup_table.hpp"

#include <algorithm>
#include <limits>

#include "input/line_reader.hpp"
#include "input/regular_file.hpp"

namespace kestrel {

namespace {

constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t Int32Min = std::numeric_limits<std::int32_t>::min();

std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp(value, Int32Min, Int32Max));
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One line without its line end, at most MaxLineLength characters of it; a missing line
// (end of file) reads as empty. Returns whether the line was longer.
bool readEntryLine(std::istream& in, std::string& line) { return readLine(in, line) == LineRead::Cut; }

// Digits from position i on, accumulated with saturation at the 32-bit limit.
std::int32_t readDigits(const std::string& line, std::size_t& i) {
    std::int64_t value = 0;
    for (; i < line.size() && isDigit(line[i]); ++i)
        value = std::min<std::int64_t>(value * 10 + (line[i] - '0'), Int32Max + 1);
    return saturate(value);
}

// The run of digits that begins exactly in the (1-based) value column; 0 when none.
std::int32_t numberAt(const std::string& line, std::size_t column) {
    std::size_t i = column - 1;
    if (i >= line.size() || !isDigit(line[i])) return 0;
    return readDigits(line, i);
}

// The run of digits and minus signs that begins in the value column, converted by the
// leading-integer rule: an optional minus, then digits up to the first other character.
std::int32_t signedNumberAt(const std::string& line, std::size_t column) {
    std::size_t i = column - 1;
    if (i >= line.size()) return 0;
    bool negative = false;
    if (line[i] == '-') {
        negative = true;
        ++i;
    }
    if (i >= line.size() || !isDigit(line[i])) return 0;
    std::int64_t value = 0;
    for (; i < line.size() && isDigit(line[i]); ++i)
        value = std::min<std::int64_t>(value * 10 + (line[i] - '0'), Int32Max + 1);
    return saturate(negative ? -value : value);
}

std::string textAt(const std::string& line, std::size_t column, std::size_t maxLength) {
    if (line.size() < column) return {};
    return line.substr(column - 1, maxLength);
}

void readCdsLine(const std::string& line, GeneRecord& record) {
    if (line.find("complement") != std::string::npos) record.complement = true;
    for (std::size_t i = 5; i < line.size();) {
        const char c = line[i];
        if (isDigit(c)) {
            record.cds.push_back(readDigits(line, i));
            if (record.cds.size() % 2 == 0) ++record.nExons;
            continue;
        }
        if (c == '<') record.incomplete5 = true;
        if (c == '>') record.incomplete3 = true;
        ++i;
    }
}

}  // namespace

OpenStatus countLookupEntries(const std::string& fileName, std::int32_t& nEntries) {
    nEntries = 0;
    InputFile lookup;
    const OpenStatus status = lookup.open(fileName);
    std::string line;
    while (status == OpenStatus::Opened && readLine(lookup, line) != LineRead::End)
        if (line.find("#CDS") != std::string::npos && nEntries < Int32Max) ++nEntries;
    return status;
}

void readLookupEntry(std::istream& lookup, std::int32_t entryIndex, GeneRecord& record,
                     SizingState* sizing) {
    if (entryIndex > 0) {
        record.prevContig = record.contig;
        record.prevFile = record.file;
    } else {
        record.prevContig = 0;
        record.prevFile.clear();
    }
    record.cds.clear();
    record.nExons = 0;
    record.complement = record.incomplete5 = record.incomplete3 = false;
    record.contig = record.nListings = record.nAlt = 0;
    record.altCDSFirst = record.altCDSlast = 0;

    // Every line is read whole up to MaxLineLength characters; an entry with a longer
    // line is marked, as its values may lie beyond what was read.
    std::string line;
    bool cut = readEntryLine(lookup, line);
    readCdsLine(line, record);
    cut |= readEntryLine(lookup, line);
    record.gene = textAt(line, 7, MaxGeneNameLength);
    cut |= readEntryLine(lookup, line);
    record.nListings = numberAt(line, 12);
    cut |= readEntryLine(lookup, line);
    record.nAlt = numberAt(line, 7);
    cut |= readEntryLine(lookup, line);
    record.file = textAt(line, 7, MaxFileNameLength);
    cut |= readEntryLine(lookup, line);
    record.contig = numberAt(line, 9);
    cut |= readEntryLine(lookup, line);
    record.beforeSpace = signedNumberAt(line, 14);
    cut |= readEntryLine(lookup, line);
    record.afterSpace = signedNumberAt(line, 13);
    cut |= readEntryLine(lookup, line);
    record.altCDSFirst = numberAt(line, 14);
    cut |= readEntryLine(lookup, line);
    record.altCDSlast = numberAt(line, 13);
    cut |= readEntryLine(lookup, line);
    record.overlongLine = cut;

    if (sizing != nullptr) applySizingStep(record, *sizing);
}

void applySizingStep(const GeneRecord& record, SizingState& sizing) {
    const std::int64_t reach = static_cast<std::int64_t>(record.altCDSlast) + 1000;
    if (record.contig == record.prevContig && record.file == record.prevFile) {
        const std::int64_t low = std::max<std::int64_t>(record.altCDSFirst - 1000LL, 0);
        const std::int64_t span = sizing.furthestEnd - low;
        if (span > sizing.maxSpan) sizing.maxSpan = saturate(span);
        if (reach > sizing.furthestEnd) sizing.furthestEnd = saturate(reach);
    } else {
        sizing.furthestEnd = saturate(reach);
    }
}

std::int32_t rowsForSpan(std::int32_t maxSpan) {
    const std::int64_t rows = (std::max<std::int64_t>(maxSpan, 0) + 1000) / 50 + 3;
    return saturate(std::min(rows, MaxWindowRows));
}

}  // namespace kestrel
