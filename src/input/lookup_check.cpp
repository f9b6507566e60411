#include "input/lookup_check.hpp"

#include <cstdint>
#include <string>

#include "formats/kstl_format.hpp"
#include "formats/text_lines.hpp"
#include "formats/regular_file.hpp"

namespace kestrel {

namespace {

void writeReportLine(std::ostream& report, const std::string& text) {
    report << text << '\n' << std::flush;
}

// Exons must run upward, each with first <= last, each beginning after the previous one
// ends (touching exons are fine, a shared base is not).
bool cdsArrayOutOfOrder(const GeneRecord& record) {
    for (std::int32_t k = 0; k < record.nExons; ++k) {
        if (k > 0 && record.exonFirst(k) <= record.exonLast(k - 1)) return true;
        if (record.exonLast(k) < record.exonFirst(k)) return true;
    }
    return false;
}

std::int64_t cdsLength(const GeneRecord& record) {
    std::int64_t length = 0;
    for (std::int32_t k = 0; k < record.nExons; ++k)
        length += static_cast<std::int64_t>(record.exonLast(k)) - record.exonFirst(k) + 1;
    return length;
}

}  // namespace

void checkOut(const GeneRecord& record, const RunSettings& settings, bool writeHeader,
              std::ostream& report) {
    if (writeHeader) {
        writeReportLine(report, std::string(kstl::CheckFirstLine) + settings.lookupFileName);
        writeReportLine(report, "");
        writeReportLine(report, "Problem genes:");
        writeReportLine(report, "");
    }

    const OpenStatus opened = settings.checkSequenceFile ? probeRegularFile(record.file) : OpenStatus::Opened;
    const bool couldNotOpen = opened != OpenStatus::Opened;
    const bool overlong = record.overlongLine;
    const bool arrayProblem = cdsArrayOutOfOrder(record);
    const std::int64_t length = cdsLength(record);
    const bool notDivisible = length % 3 != 0;
    const bool shortCds = length < 100;
    const bool incomplete5 = settings.checkCdsEnds && record.incomplete5;
    const bool incomplete3 = settings.checkCdsEnds && record.incomplete3;
    const bool altListed = settings.checkAlt && record.nAlt != 0;

    // A short CDS alone does not list the gene.
    if (!(couldNotOpen || arrayProblem || notDivisible || incomplete5 || incomplete3 || altListed || overlong))
        return;

    writeReportLine(report, "gene: " + record.gene + " (starting at base " +
                                std::to_string(record.cdsStart()) + " of contig " +
                                std::to_string(record.contig) + ")");
    if (couldNotOpen)
        writeReportLine(report, "  problem: couldn't open " + record.file +
                                    (opened == OpenStatus::NotRegular ? " (not a regular file)" : ""));
    if (overlong)
        writeReportLine(report, "  problem: a line longer than " + std::to_string(MaxLineLength) + " characters");
    if (arrayProblem) writeReportLine(report, "  problem: problem w/ CDS array");
    if (notDivisible) writeReportLine(report, "  problem: CDS not divisible by 3");
    if (shortCds)
        writeReportLine(report, "  problem: CDS is only " + std::to_string(length / 3) +
                                    " codons long");
    if (incomplete5) writeReportLine(report, "  problem: incomplete 5' end of CDS");
    if (incomplete3) writeReportLine(report, "  problem: incomplete 3' end of CDS");
    if (altListed) writeReportLine(report, "  problem: #alt in lookup file exceeds 0");
}

}  // namespace kestrel
