#include "input/lookup_table.hpp"

#include <algorithm>
#include <limits>

#include "formats/text_lines.hpp"
#include "formats/regular_file.hpp"

namespace kestrel {

namespace {

constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t Int32Min = std::numeric_limits<std::int32_t>::min();

std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp(value, Int32Min, Int32Max));
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
    for (std::size_t i = valueColumn(LookupLine::Cds) - 1; i < line.size();) {
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

// Takes the value of one line of an entry from its value column.
void readValue(LookupLine kind, const std::string& line, GeneRecord& record) {
    const std::size_t column = valueColumn(kind);
    switch (kind) {
        case LookupLine::Cds: readCdsLine(line, record); break;
        case LookupLine::Gene: record.gene = textAt(line, column, MaxGeneNameLength); break;
        case LookupLine::NListings: record.nListings = numberAt(line, column); break;
        case LookupLine::NAlt: record.nAlt = numberAt(line, column); break;
        case LookupLine::File: record.file = textAt(line, column, MaxFileNameLength); break;
        case LookupLine::Contig: record.contig = numberAt(line, column); break;
        case LookupLine::BeforeSpace: record.beforeSpace = signedNumberAt(line, column); break;
        case LookupLine::AfterSpace: record.afterSpace = signedNumberAt(line, column); break;
        case LookupLine::AltCdsFirst: record.altCDSFirst = numberAt(line, column); break;
        case LookupLine::AltCdsLast: record.altCDSlast = numberAt(line, column); break;
        case LookupLine::End: break;
    }
}

}  // namespace

OpenStatus countLookupEntries(const std::string& fileName, std::int32_t& nEntries) {
    nEntries = 0;
    InputFile lookup;
    const OpenStatus status = lookup.open(fileName);
    std::string line;
    while (status == OpenStatus::Opened && readLine(lookup, line) != LineRead::End)
        if (line.find(EntryMark) != std::string::npos && nEntries < Int32Max) ++nEntries;
    return status;
}

void readLookupEntry(std::istream& lookup, std::int32_t entryIndex, GeneRecord& record) {
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

    // Every line is read whole up to MaxLineLength characters (a missing line, at the end of
    // the file, reads as empty); an entry with a longer line is marked, as its values may
    // lie beyond what was read.
    std::string line;
    bool cut = false;
    for (std::size_t k = 0; k < LookupEntryLines; ++k) {
        cut |= readLine(lookup, line) == LineRead::Cut;
        readValue(static_cast<LookupLine>(k), line, record);
    }
    record.overlongLine = cut;
}

void applySizingStep(const GeneRecord& record, SizingState& sizing) {
    const std::int64_t reach = static_cast<std::int64_t>(record.altCDSlast) + FlankCap;
    if (record.contig == record.prevContig && record.file == record.prevFile) {
        const std::int64_t low = std::max<std::int64_t>(record.altCDSFirst - FlankCap, 0);
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
